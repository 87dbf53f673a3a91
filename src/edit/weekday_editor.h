#pragma once

#include <string>

#include "platform/file_dialogs.h"
#include "platform/messages.h"
#include "run/reporter.h"
#include "run/run_state.h"
#include "run/weekday_table.h"

namespace vz::edit {

/// What the weekday table editor (frmDef) holds and does: seven rows, key "1" (Monday) to "7"
/// (Sunday), each the site list file of that day as free text, and the entries the file held when
/// the editor was loaded, which Cancel writes back.
class WeekdayEditor
{
public:
    WeekdayEditor(run::RunState& state, run::Reporter& reporter);

    /// Loading the editor: SavedDef and the rows from the weekday table. A missing, empty or
    /// damaged table is reported and the editor keeps what could be read.
    void load();
    /// Re-reads the table into the rows; a row the file names no line for keeps its text.
    void LoadDef();

    /// Row of a key 1 to 7.
    const std::u16string& row(int key) const;
    void setRow(int key, std::u16string text);
    const run::WeekdayTable& rows() const { return m_rows; }
    const run::WeekdayTable& SavedDef() const { return m_savedDef; }

    /// Lets the person pick the row's file, starting in its folder. Returns whether the row changed; a dismissed or
    /// failing dialog leaves the row as it was and shows nothing.
    bool browse(int key, platform::FileDialogs& dialogs);
    /// Whether the row names a file to edit: a blank row would open the configuration window on
    /// nothing, and its OK would write a site list without a name.
    bool canEdit(int key) const;
    /// Points EditIniPath at the row's text, unchanged, for the configuration window to open.
    const std::u16string& edit(int key);

    /// Asks, then writes the rows. Returns true when the table was written and the editor closes.
    bool save(platform::Messages& messages);
    /// Writes back the entries read at loading, without asking. Returns true when written.
    bool cancel();
    /// Whether a row holds text the weekday table does not: typed or picked, and not yet saved.
    bool hasUnsavedChanges() const { return m_rows != m_shownFromFile; }

private:
    std::optional<run::WeekdayLines> readTable(const std::u16string& procedure);
    bool write(const run::WeekdayTable& table, const std::u16string& procedure);

    run::RunState& m_state;
    run::Reporter& m_reporter;
    run::WeekdayTable m_rows;
    run::WeekdayTable m_savedDef;
    /// The rows as last read from or written to the weekday table.
    run::WeekdayTable m_shownFromFile;
};

} // namespace vz::edit
