#pragma once

#include <functional>

#include <QWidget>

#include "edit/config_editor.h"
#include "edit/site_import.h"
#include "ui/window_dialogs.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace vz::ui {

/// The import window, frmImport: three buttons for import all, select mode and replace mode, and,
/// once a mode is chosen, the lists and the import button below them. SiteImport decides; this
/// window shows its lists and forwards clicks.
class ImportWindow final : public QWidget
{
    Q_OBJECT

public:
    /// `table` and `editSiteCount` are the configuration window's, `LoadConfig` shows its table
    /// again from the first row, `StorePage` takes its page as typed into the table.
    /// Its messages come from `dialogs`, over this window.
    ImportWindow(edit::ImportStart start, run::EditSiteTable& table, std::int16_t& editSiteCount,
                 run::Reporter& reporter, DialogHost& dialogs, std::function<void()> LoadConfig,
                 std::function<void()> StorePage, QWidget* parent = nullptr);

    const edit::SiteImport& model() const { return m_model; }

    /// Heights in twips, as the window is laid out: the buttons alone, and with the lists.
    static constexpr int kCompactTwips = 1900;
    static constexpr int kGrownTwips = 5500;

private:
    void grow();
    void importClicked();
    /// lstDestination as the table now is; a row this window replaced shows in bold, with the name
    /// it had before as its tool tip.
    void showDestinations();

    WindowDialogs m_dialogs;
    edit::SiteImport m_model;
    QListWidget* m_lstSelect = nullptr;
    QListWidget* m_lstSource = nullptr;
    QLabel* m_label = nullptr;
    QListWidget* m_lstDestination = nullptr;
    QPushButton* m_cmdImport = nullptr;
    QWidget* m_lower = nullptr;
};

/// The configuration window's import button: asks for the source file and shows the import window
/// over `parent` on the editor's table, in place of an import window already open there. Returns
/// the window, or nullptr when the person cancelled or the dialog failed.
ImportWindow* startImport(QWidget* parent, edit::ConfigEditor& editor, DialogHost& dialogs);

/// Closes the import windows open over `parent`, once the table they change is closed or replaced.
void closeImportWindows(QWidget* parent);

} // namespace vz::ui
