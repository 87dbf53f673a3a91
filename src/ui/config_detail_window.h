#pragma once

#include <QWidget>

#include "edit/config_detail.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace vz::ui {

/// The site detail window, frmConfigDetail: every field of one row of the editor's table.
class ConfigDetailWindow final : public QWidget
{
    Q_OBJECT

public:
    explicit ConfigDetailWindow(edit::ConfigDetail& detail, QWidget* parent = nullptr);

    /// Fills the boxes from the model's form when it was bound anew since the last fill.
    void refresh();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    QLineEdit* box(int field) const;
    /// Copies the boxes into the model's form.
    void takeForm();

    edit::ConfigDetail& m_detail;
    int m_shownBinding = -1;
    /// The boxes are being filled from the model, which they must not write back meanwhile.
    bool m_filling = false;
    QLineEdit* m_boxes[run::SiteRecord::kFieldCount] = {};
    QCheckBox* m_chkAllTag = nullptr;
    QCheckBox* m_chkPix = nullptr;
    QRadioButton* m_optKeepTable = nullptr;
    QRadioButton* m_optTableTag = nullptr;
    QRadioButton* m_optAllTable = nullptr;
};

} // namespace vz::ui
