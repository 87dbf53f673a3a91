#include "reporter.h"

#include "platform/cp932.h"
#include "run/text.h"
#include "run/text_file.h"

namespace vz::run {

using text::u;

std::u16string logLine(const std::u16string& message, const std::u16string& detail1, const std::u16string& detail2,
                       const std::u16string& procedure)
{
    return message + u" : " + detail1 + u" " + detail2 + u" : " + procedure + u"\r\n";
}

std::u16string errorListLine(const std::u16string& message, const std::u16string& detail1,
                             const std::u16string& detail2, const std::u16string& procedure)
{
    return message + u" : " + detail1 + detail2 + u" : " + procedure + u"\r\n";
}

std::u16string shortDateText(const platform::DateTime& t)
{
    return text::zeroPadded(t.year, 4) + u"/" + text::zeroPadded(t.month, 2) + u"/" + text::zeroPadded(t.day, 2);
}

std::u16string dateTimeText(const platform::DateTime& t)
{
    return shortDateText(t) + u" " + text::zeroPadded(t.hour, 2) + u":" + text::zeroPadded(t.minute, 2) + u":" +
           text::zeroPadded(t.second, 2);
}

Reporter::Reporter(const RunState& state, ErrorSink& sink, platform::Messages& messages)
    : m_state(state), m_sink(sink), m_messages(messages)
{
}

std::filesystem::path Reporter::logPath() const
{
    const std::u16string& folder = m_state.DataPath.empty() ? m_state.ProgramFolder : m_state.DataPath;
    return text::toPath(folder + u"vodeZeva.log");
}

bool Reporter::appendToLog(const std::u16string& line, std::string& error)
{
    // Characters the log cannot hold are written as character references; reporting them would
    // only loop back here.
    return writeFileBytes(logPath(), WriteMode::Append, platform::encodeCp932(line).bytes, error);
}

std::u16string because(const std::u16string& cause)
{
    return u"（" + cause + u"）";
}

void Reporter::alertUnwritable(const std::string& error)
{
    ++m_writeFailures;
    m_messages.alert(text::fromUtf8(error) + u" : " + u"DispErr (Maybe path to output ;" + m_state.DataPath +
                     u"; not available)");
}

void Reporter::DispErr(const std::u16string& message, const std::u16string& detail1, const std::u16string& detail2,
                       const std::u16string& procedure)
{
    if (m_silent) {
        return;
    }
    m_sink.appendLine(errorListLine(message, detail1, detail2, procedure));
    if (m_listOnly) {
        return;
    }
    std::string error;
    if (!appendToLog(logLine(message, detail1, detail2, procedure), error)) {
        alertUnwritable(error);
    }
}

void Reporter::conclude(const std::u16string& message, const std::u16string& detail1, const std::u16string& detail2,
                        const std::u16string& procedure)
{
    if (!m_silent) {
        m_sink.appendLine(errorListLine(message, detail1, detail2, procedure));
    }
}

void Reporter::writeFailed(const std::u16string& message, const std::u16string& file, const std::u16string& cause,
                           const std::u16string& procedure)
{
    ++m_writeFailures;
    DispErr(message, file, cause, procedure);
}

bool Reporter::startLog(const platform::DateTime& now)
{
    m_writeFailures = 0;
    std::string error;
    const std::string line = platform::encodeCp932(u"vodeZeva :" + dateTimeText(now) + u"\r\n").bytes;
    if (!writeFileBytes(logPath(), WriteMode::Replace, line, error)) {
        alertUnwritable(error);
        return false;
    }
    return true;
}

} // namespace vz::run
