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

/// What the configuration window hands to the import window.
struct ImportStart
{
    std::u16string srcfile;     ///< full path of the source site list file
    std::u16string caption;     ///< "Import .ini : " and the source's file name
    std::u16string CurNrConfig; ///< the named-row count as decimal text
};

/// The import's open dialog, in the folder of the edited file. Returns the chosen source; nothing
/// when the person cancels, and nothing after a report under "cmdImport" when the dialog fails.
std::optional<std::u16string> chooseImportSource(platform::FileDialogs& dialogs, run::Reporter& reporter,
                                                 const std::u16string& editIniPath,
                                                 const std::u16string& programFolder);

/// Counts the named rows; the caller stores the page on screen first.
ImportStart prepareImport(const std::u16string& srcfile, const run::EditSiteTable& table, std::int16_t editSiteCount);

/// A source site line as the lists show it: without the "'" mark, up to its first TAB, or the whole
/// line when it has none.
std::u16string sourceEntry(const std::u16string& line);

/// Takes a source site line into a row: a blank line leaves the row as it was; otherwise the line's
/// fields are written over the row's (fields it does not reach keep their values) and the row is
/// switched on, or off when its name carries the "'" mark, which is dropped.
void takeSourceLine(run::EditSiteTable& table, std::size_t row, const std::u16string& line);

/// What the import window (frmImport) holds and does. Every import action works on the editor's
/// table as it stands then, with the page typed in the configuration window stored first: a
/// replacement keeps the ones before it, and what was edited meanwhile stays. Rows never move, so
/// an open detail window stays on its row.
class SiteImport
{
public:
    enum class Mode { None, Select, Replace };

    /// `table` and `editSiteCount` are the configuration window's; `LoadConfig` shows its table
    /// again from the first row, `StorePage` takes what is typed on its page into the table.
    SiteImport(ImportStart start, run::EditSiteTable& table, std::int16_t& editSiteCount, run::Reporter& reporter,
               platform::Messages& messages, std::function<void()> LoadConfig, std::function<void()> StorePage = {});

    const std::u16string& caption() const { return m_start.caption; }
    const std::u16string& srcfile() const { return m_start.srcfile; }
    const std::u16string& CurNrConfig() const { return m_start.CurNrConfig; }
    Mode mode() const { return m_mode; }

    /// First row that appended sites take: the row after the last one the table holds anything
    /// in, so no site is overwritten.
    std::size_t appendStart() const;

    /// Appends every source site line. Returns true when done (the window closes).
    bool importAll();
    /// Enters a mode and lists the source's sites (and, for replacing, the table's names). A source
    /// that cannot be read is reported and leaves the lists empty.
    void enterSelectMode();
    void enterReplaceMode();
    /// lstSelect in select mode, lstSource in replace mode.
    const std::vector<std::u16string>& sourceEntries() const { return m_sourceEntries; }
    /// lstDestination: the table's names, rows 0 to EditSiteCount, as they are after the
    /// replacements made so far.
    const std::vector<std::u16string>& destinationEntries() const { return m_destinationEntries; }
    /// The name a destination row had before this window replaced it; nothing for a row not replaced.
    std::optional<std::u16string> replacedName(std::size_t destination) const;

    /// Appends the marked source sites (entry numbers of sourceEntries()). Returns true when done.
    bool importSelected(const std::vector<int>& marked);
    /// Writes source entry `source` over table row `destination`; nothing happens unless both are
    /// chosen. Returns true when the row was replaced (the window stays open).
    bool replace(std::optional<int> source, std::optional<int> destination);

private:
    std::optional<std::vector<std::u16string>> readSource(const std::u16string& procedure, std::size_t needed);
    bool checkRows(std::size_t rows, const std::u16string& procedure);
    void storePage();
    /// The table as it stands with at least `rows` rows, the page stored first.
    run::EditSiteTable rebuild(std::size_t rows);
    void fillSourceEntries(const std::u16string& procedure);
    void fillDestinationEntries();
    bool finishAppend(run::EditSiteTable table, int newCount, int count);

    ImportStart m_start;
    run::EditSiteTable& m_table;
    std::int16_t& m_editSiteCount;
    run::Reporter& m_reporter;
    platform::Messages& m_messages;
    std::function<void()> m_loadConfig;
    std::function<void()> m_storePage;
    Mode m_mode = Mode::None;
    std::vector<std::u16string> m_sourceEntries;
    std::vector<std::u16string> m_destinationEntries;
    std::vector<std::optional<std::u16string>> m_replacedNames;
};

} // namespace vz::edit
