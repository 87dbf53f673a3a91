#pragma once

#include <filesystem>
#include <string>

#include "platform/clock.h"
#include "platform/messages.h"
#include "run/front_end.h"
#include "run/run_state.h"

namespace vz::run {

/// Log line: message, " : ", detail1, " ", detail2, " : ", procedure, CR LF.
std::u16string logLine(const std::u16string& message, const std::u16string& detail1, const std::u16string& detail2,
                       const std::u16string& procedure);
/// Error-list line: as the log line but with nothing between the two details.
std::u16string errorListLine(const std::u16string& message, const std::u16string& detail1,
                             const std::u16string& detail2, const std::u16string& procedure);
/// "yyyy/mm/dd hh:mm:ss"
std::u16string dateTimeText(const platform::DateTime& t);
/// "yyyy/mm/dd"
std::u16string shortDateText(const platform::DateTime& t);

/// The one reporting routine: every report becomes a line of the log in the data folder and a
/// line of the error list. A report that cannot be logged raises an alert and the caller goes on.
class Reporter
{
public:
    Reporter(const RunState& state, ErrorSink& sink, platform::Messages& messages);

    void DispErr(const std::u16string& message, const std::u16string& detail1, const std::u16string& detail2,
                 const std::u16string& procedure);
    /// DispErr for a file that could not be written (`file` the first detail, the cause the second),
    /// counted so that the run can say at its end that something was not written.
    void writeFailed(const std::u16string& message, const std::u16string& file, const std::u16string& cause,
                     const std::u16string& procedure);
    /// Files that could not be written since the log was last started, the log itself included.
    int writeFailures() const { return m_writeFailures; }

    /// The data folder's log, or the program folder's while no data folder is known.
    std::filesystem::path logPath() const;

    /// Replaces the log with its first line, "vodeZeva :" and the date and time. Returns false
    /// (after an alert) when the log cannot be written.
    bool startLog(const platform::DateTime& now);

    /// From now on reports go nowhere: for looking ahead at what a page will yield without
    /// reporting it before its turn.
    void silence() { m_silent = true; }
    /// From now on reports go to the error list only, never to a log: for trying a site without
    /// touching its data folder.
    void listOnly() { m_listOnly = true; }

    /// A line for the error list only: what the run concludes about a whole site once its own
    /// reports are made, which the log does not repeat.
    void conclude(const std::u16string& message, const std::u16string& detail1, const std::u16string& detail2,
                  const std::u16string& procedure);

private:
    bool appendToLog(const std::u16string& line, std::string& error);
    void alertUnwritable(const std::string& error);

    const RunState& m_state;
    ErrorSink& m_sink;
    platform::Messages& m_messages;
    bool m_silent = false;
    bool m_listOnly = false;
    int m_writeFailures = 0;
};

/// A cause as the second detail of a report: "（ディスクの空きがありません（ENOSPC））", set off from
/// the first detail in the error list, which joins the two details without a space.
std::u16string because(const std::u16string& cause);

} // namespace vz::run
