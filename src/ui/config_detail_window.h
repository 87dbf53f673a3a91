#pragma once

#include <QWidget>

#include "edit/config_detail.h"
#include "session/site_trial.h"
#include "ui/qt_window_thread.h"
#include "ui/site_try_view.h"

class QCheckBox;
class QPushButton;
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
    /// Hidden, it stops a trial going on and puts its report away.
    void setVisible(bool visible) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    QLineEdit* box(int field) const;
    /// Copies the boxes into the model's form.
    void takeForm();
    /// 試す: tries the row as the boxes hold it; while a trial goes on the button is 中止.
    void tryOrStop();
    void trialEnded(const gather::SiteCheck& check);
    /// Clears the report and takes it away, the window back to its width without it.
    void hideReport();

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
    QPushButton* m_cmdTry = nullptr;
    SiteTryView* m_tryView = nullptr;
    int m_widthWithoutReport = 0;
    QtWindowThread m_windowThread;
    session::SiteTrial m_trial;
};

} // namespace vz::ui
