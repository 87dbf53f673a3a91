#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_dialogs.h"
#include "platform/messages.h"
#include "run/reporter.h"
#include "run/site_list_file.h"

namespace vz::edit {

/// Rows among 0 to EditSiteCount + 19 whose IndexName, trimmed of blanks, is not empty; 0 when the
/// file had no site lines.
int namedRowCount(const run::EditSiteTable& table, std::int16_t editSiteCount);

/// The editor's table as it stood when an import started. It holds every row, so that a table with
/// an empty row among its sites (a deleted site, a blank line of the file) still fits.
struct ImportSnapshot
{
    run::EditSiteTable table;
    std::int16_t EditSiteCount = 0;
};

/// What the configuration window hands to the import window.
struct ImportStart
{
    std::u16string srcfile;     ///< full path of the source site list file
    std::u16string caption;     ///< "Import .ini : " and the source's file name
    std::u16string CurNrConfig; ///< the named-row count as decimal text
    ImportSnapshot snapshot;
};

/// The import's open dialog. Returns the chosen source; nothing when the person cancels, and
/// nothing after a report under "cmdImport" when the dialog fails.
std::optional<std::u16string> chooseImportSource(platform::FileDialogs& dialogs, run::Reporter& reporter,
                                                 const std::u16string& editIniPath);

/// Counts the named rows and takes the snapshot; the caller stores the page on screen first.
ImportStart prepareImport(const std::u16string& srcfile, const run::EditSiteTable& table, std::int16_t editSiteCount);

/// A source site line as the lists show it: without the "'" mark, up to its first TAB, or the whole
/// line when it has none.
std::u16string sourceEntry(const std::u16string& line);

/// Takes a source site line into a row: a blank line leaves the row as it was; otherwise the line's
/// fields are written over the row's (fields it does not reach keep their values) and the row is
/// switched on, or off when its name carries the "'" mark, which is dropped.
void takeSourceLine(run::EditSiteTable& table, std::size_t row, const std::u16string& line);

/// What the import window (frmImport) holds and does. Every import action rebuilds the editor's
/// table from the snapshot taken at opening, then adds the source's sites.
class SiteImport
{
public:
    enum class Mode { None, Select, Replace };

    /// `table` and `editSiteCount` are the configuration window's; `LoadConfig` shows its table
    /// again from the first row.
    SiteImport(ImportStart start, run::EditSiteTable& table, std::int16_t& editSiteCount, run::Reporter& reporter,
               platform::Messages& messages, std::function<void()> LoadConfig);

    const std::u16string& caption() const { return m_start.caption; }
    const std::u16string& srcfile() const { return m_start.srcfile; }
    const std::u16string& CurNrConfig() const { return m_start.CurNrConfig; }
    Mode mode() const { return m_mode; }

    /// First row that appended sites take: row CurNrConfig, or the row after the last one the
    /// snapshot holds anything in, whichever is later, so no site of the snapshot is overwritten.
    std::size_t appendStart() const;

    /// Appends every source site line. Returns true when done (the window closes).
    bool importAll();
    /// Enters a mode and lists the source's sites (and, for replacing, the table's names). A source
    /// that cannot be read is reported and leaves the lists empty.
    void enterSelectMode();
    void enterReplaceMode();
    /// lstSelect in select mode, lstSource in replace mode.
    const std::vector<std::u16string>& sourceEntries() const { return m_sourceEntries; }
    /// lstDestination: the table's names, rows 0 to EditSiteCount.
    const std::vector<std::u16string>& destinationEntries() const { return m_destinationEntries; }

    /// Appends the marked source sites (entry numbers of sourceEntries()). Returns true when done.
    bool importSelected(const std::vector<int>& marked);
    /// Writes source entry `source` over table row `destination`; nothing happens unless both are
    /// chosen. Returns true when the row was replaced (the window stays open).
    bool replace(std::optional<int> source, std::optional<int> destination);

private:
    std::optional<std::vector<std::u16string>> readSource(const std::u16string& procedure, std::size_t needed);
    bool checkRows(std::size_t rows, const std::u16string& procedure);
    run::EditSiteTable rebuild(std::size_t rows) const;
    void fillSourceEntries(const std::u16string& procedure);
    bool finishAppend(run::EditSiteTable table, int newCount, int count);

    ImportStart m_start;
    run::EditSiteTable& m_table;
    std::int16_t& m_editSiteCount;
    run::Reporter& m_reporter;
    platform::Messages& m_messages;
    std::function<void()> m_loadConfig;
    Mode m_mode = Mode::None;
    std::vector<std::u16string> m_sourceEntries;
    std::vector<std::u16string> m_destinationEntries;
};

} // namespace vz::edit
