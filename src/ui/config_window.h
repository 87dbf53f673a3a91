#pragma once

#include <array>

#include <QWidget>

#include "edit/config_editor.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vz::ui {

/// The configuration window, frmConfig: the run settings, the weekday boxes and ten rows of the
/// site list of one site list file. The editor model decides; this shows it and forwards clicks.
class ConfigWindow final : public QWidget
{
    Q_OBJECT

public:
    explicit ConfigWindow(edit::ConfigEditor& editor, QWidget* parent = nullptr);

    /// Shows the model's current values: caption, settings, weekday boxes, the page, the buttons.
    void refresh();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void showDayBoxes();

    edit::ConfigEditor& m_editor;

    QCheckBox* m_AutoStart = nullptr;
    QLineEdit* m_DataPath = nullptr;
    QCheckBox* m_FitToScreen = nullptr;
    QLineEdit* m_NrLtrLine = nullptr;
    QCheckBox* m_chkDailySort = nullptr;
    QCheckBox* m_chkContents = nullptr;
    QCheckBox* m_chkSeparateFiles = nullptr;
    QCheckBox* m_chkEpub = nullptr;
    QCheckBox* m_chkVertical = nullptr;
    QLabel* m_lblVertical = nullptr;
    QCheckBox* m_chkOnlyNew = nullptr;
    QCheckBox* m_chkChgIni = nullptr;
    QWidget* m_dayBoxes = nullptr;
    std::array<QCheckBox*, 7> m_chkDay{};
    QLineEdit* m_NrPage = nullptr;
    std::array<QCheckBox*, edit::ConfigEditor::kPageRows> m_valid{};
    std::array<QLineEdit*, edit::ConfigEditor::kPageRows> m_SiteName{};
    std::array<QLineEdit*, edit::ConfigEditor::kPageRows> m_FileName{};
    std::array<QPushButton*, edit::ConfigEditor::kPageRows> m_cmdDetail{};
    std::array<QPushButton*, edit::ConfigEditor::kPageRows> m_cmdDelete{};
    QPushButton* m_cmdBack = nullptr;
    QPushButton* m_cmdFwd = nullptr;
    QLabel* m_lblPage = nullptr;
    QPushButton* m_cmdImport = nullptr;
};

} // namespace vz::ui
