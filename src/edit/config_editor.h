#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "edit/config_detail.h"
#include "edit/day_assignment.h"
#include "edit/site_import.h"
#include "platform/file_dialogs.h"
#include "platform/messages.h"
#include "run/reporter.h"
#include "run/run_state.h"
#include "run/site_list_file.h"
#include "run/site_list_options.h"

namespace vz::edit {

/// One of the ten rows the configuration window shows.
struct PageRow
{
    bool valid = false;      ///< SiteEnabled of the row
    std::u16string SiteName; ///< IndexName
    std::u16string FileName;
    /// Whether the table has this row; a page can reach past the table after an import shrank it.
    bool present = false;

    bool operator==(const PageRow&) const = default;
};

/// What the configuration window decides: the site list file loaded into the editor's table, the
/// run settings, the page of ten rows, the weekday assignment, saving. The window shows this and
/// forwards clicks; the site detail and import windows change the table through it.
class ConfigEditor final : public DetailOwner
{
public:
    static constexpr int kPageRows = 10;

    /// The site detail window asks through `detailMessages` when given, else through `messages`.
    ConfigEditor(run::RunState& state, run::Reporter& reporter, platform::Messages& messages,
                 platform::FileDialogs& dialogs, platform::Messages* detailMessages = nullptr);
    ConfigEditor(const ConfigEditor&) = delete;
    ConfigEditor& operator=(const ConfigEditor&) = delete;

    enum class OpenOutcome {
        Opened,         ///< loaded from the file
        BroughtToFront, ///< already open on that file
        Refused,        ///< open on another file whose unsaved changes the person kept
    };
    /// A request to show the window on `iniPath`. While it is open on another file with unsaved
    /// changes it asks first; refused, it keeps its file (and EditIniPath names it again).
    OpenOutcome requestOpen(const std::u16string& iniPath, bool fromDef);
    /// Loads EditIniPath: settings, weekday assignment, table; shows the first page.
    void open();
    bool isOpen() const { return m_open; }
    /// "Configuration : " and the file's name.
    std::u16string caption() const;

    run::RunState& state() { return m_state; }
    const run::RunState& state() const override { return m_state; }

    /// The settings as the window's boxes hold them; the window writes each change here.
    run::RunSettings settings;
    const run::RunSettings& editedSettings() const override { return settings; }
    bool NrLtrLineEnabled() const { return settings.FitToScreen; }
    /// The options kept beside the site list file, loaded and saved with it; the window writes
    /// each change of its boxes here.
    run::SiteListOptions options;
    /// Vertical text is a property of the book: it can be chosen only while the book is made.
    bool verticalEnabled() const { return options.epub(); }
    void setEpub(bool on) { options.setFlag(run::SiteListOptions::kEpub, on); }
    void setVertical(bool on) { options.setFlag(run::SiteListOptions::kVertical, on); }
    void setOnlyNew(bool on) { options.setFlag(run::SiteListOptions::kOnlyNew, on); }
    /// When set, the window was opened from the weekday table editor, which reloads after OK.
    bool fFromDef = false;

    DayAssignment days;
    ConfigDetail& detail() { return m_detail; }

    /// The editor's table: rows 0 to EditSiteCount - 1 from the file, then the spare rows.
    run::EditSiteTable& table() override { return m_table; }
    const run::EditSiteTable& table() const { return m_table; }
    std::int16_t EditSiteCount() const { return m_state.EditSiteCount; }
    /// Import button: asks for the source file, keeps the page on screen, then counts the named
    /// rows for the import window. Nothing when the dialog was cancelled, or
    /// failed (reported).
    std::optional<ImportStart> cmdImport();
    run::Reporter& reporter() { return m_reporter; }
    platform::Messages& messages() { return m_messages; }

    // The page.
    int CurrentTop() const override { return m_currentTop; }
    /// Moves the page without loading it (the import sets it to 0, then calls LoadConfig).
    void setCurrentTop(int top) { m_currentTop = top; }
    /// Shows table rows top to top + 9 on the page.
    void LoadConfig(int top) override;
    /// The table was changed by an import, which moves no row: the page shows the table from row 0,
    /// and an open detail window stays on its row.
    void tableReplaced();
    /// Copies the page back into table rows top to top + 9.
    void StorePage(int top);
    const std::array<PageRow, kPageRows>& page() const { return m_page; }
    /// Edits typed into the page; they reach the table at the next StorePage.
    void setValid(int i, bool checked);
    void setSiteName(int i, const std::u16string& name);
    void setFileName(int i, const std::u16string& name);
    bool backEnabled() const { return m_currentTop != 0; }
    bool fwdEnabled() const { return m_currentTop <= m_state.EditSiteCount; }
    void nextPage();
    void previousPage();
    void checkAll();
    void uncheckAll();

    /// The row chosen by the last detail or delete button.
    int id() const { return m_id; }
    /// Detail button of page row i: stores the page and binds the detail window to the row.
    void openDetail(int i);
    /// Delete button of page row i: asks, then DeleteIndex.
    void deleteRow(int i);
    /// Blanks a row and switches it off; no row moves.
    void DeleteIndex(int row) override;

    /// Close: asks, then closes (with the detail window) without saving. Returns whether it closed.
    bool close();
    /// Closed by its title bar: asks as Close does when there are unsaved changes, else closes with
    /// the detail window. Returns whether it closed.
    bool closedByTitleBar();
    /// Closes with the detail window without asking: the program ends and the person has answered.
    void closeQuietly();
    /// OK: asks, saves the weekday assignment and the file, closes. Returns whether it closed.
    bool OK();
    /// Save as: asks for a name, then saves there as OK does. Returns whether it closed.
    bool saveAs();
    /// Writes the file at `path` from the settings and the table; false after a report.
    bool SaveIni(const std::u16string& path, const std::u16string& procedure);
    /// Whether the settings or the table (with the page as typed) differ from the file as loaded,
    /// or the detail window holds what it has not stored yet.
    bool hasUnsavedChanges() const;
    /// What keeps the values from being saved, naming the field: a letters-per-line that is not a
    /// number, an output file name that would write outside the data folder.
    std::optional<std::u16string> entryProblem() const;
    /// Two named sites writing the same output file, which the later one would overwrite; says
    /// which.
    std::optional<std::u16string> sharedOutputFile() const;

    /// The page shown, counted from 1, and how many pages there are.
    int pageNumber() const { return m_currentTop / kPageRows + 1; }
    int pageCount() const;

    /// Called after every change the windows must show: a page loaded, a window opened or closed.
    std::function<void()> onChanged;
    /// Reloads the weekday table editor.
    std::function<void()> LoadDef;
    /// Told after the site list file was written.
    std::function<void()> saved;
    /// Starts an import into the table (the import button); the button stays disabled while unset.
    std::function<void()> importRequested;
    /// Tells the windows to redraw.
    void changed() override;

private:
    bool rowExists(int row) const { return row >= 0 && static_cast<std::size_t>(row) < m_table.rows.size(); }
    run::EditSiteTable tableWithPage() const;
    std::u16string fileText(const run::EditSiteTable& table) const;
    bool save(const std::u16string& procedure);
    /// Shows what keeps the values from being saved, and warns of a shared output file.
    bool mayBeSaved();

    run::RunState& m_state;
    run::Reporter& m_reporter;
    platform::Messages& m_messages;
    platform::FileDialogs& m_dialogs;
    ConfigDetail m_detail;
    run::EditSiteTable m_table;
    std::array<PageRow, kPageRows> m_page{};
    int m_currentTop = 0;
    int m_id = 0;
    bool m_open = false;
    /// The file the table was loaded from; saving never writes the table anywhere else but here
    /// or a name chosen by save as.
    std::u16string m_loadedPath;
    /// False when the file could not be read: then saving must not replace it.
    bool m_loaded = false;
    /// The file's text as it would be written right after loading, to tell unsaved changes.
    std::u16string m_loadedText;
    /// The options as loaded; false when their file was there but could not be read, and saving
    /// must not replace it.
    run::SiteListOptions m_loadedOptions;
    bool m_optionsLoaded = false;
};

} // namespace vz::edit
