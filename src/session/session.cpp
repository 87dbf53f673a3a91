#include "session.h"

#include <algorithm>
#include <filesystem>

#include "run/string_helpers.h"
#include "run/text.h"
#include "run/text_file.h"

namespace vz::session {

Session::Session(run::RunState& state, const platform::Clock& clock, platform::Fetcher& fetcher, FrontEndParts parts)
    : m_state(state), m_reporter(m_state, parts.errors, parts.messages),
      m_services{clock, parts.events, parts.messages, parts.frontEnd, m_reporter}, m_context{m_state, m_values,
                                                                                             m_services, fetcher},
      m_driver(m_context)
{
}

gather::StartUpResult Session::startUp(const std::u16string& programFolder,
                                       const std::optional<std::u16string>& iniFile, bool runFollows)
{
    const gather::StartUpResult result =
        iniFile ? gather::startUpWithFile(m_state, m_values, m_services, programFolder, *iniFile)
                : gather::startUp(m_state, m_values, m_services, programFolder);
    if (!runFollows && !m_state.AutoStart) {
        // The windows wait for the button: a timer may gather into the folder meanwhile.
        m_values.dataFolderLock.release();
    }
    return result;
}

gather::InitResult Session::readIni(const std::u16string& path)
{
    m_state.CurrentIniPath = path;
    const gather::InitResult result = gather::Init(m_state, m_values, m_services);
    m_values.dataFolderLock.release();
    m_services.frontEnd.setCaption(run::FileNameOnly(m_state.CurrentIniPath));
    m_state.IniChosenByHand = true;
    return result;
}

bool Session::anySite() const
{
    const auto& rows = m_values.SiteTable.rows;
    return std::any_of(rows.begin(), rows.end(), [](const run::SiteRecord& site) { return !site.IndexName.empty(); });
}

std::optional<std::u16string> takeProgramFolder(const std::u16string& programFolder, platform::FileLock& lock)
{
    const std::u16string folder = run::withFolderEnd(programFolder);
    platform::LockAttempt attempt =
        platform::FileLock::take(text::toPath(folder + u"vodeZeva-desktop.lock"), "vodezeva");
    if (attempt.holder) {
        std::u16string who = attempt.holder->pid > 0
                                 ? u"（プロセス " + text::number(static_cast<long long>(attempt.holder->pid)) + u"）"
                                 : u"";
        return u"vodeZeva はこのプログラムフォルダですでに起動しています" + who + u"。\n" + folder;
    }
    if (!attempt.error.empty()) {
        return u"プログラムフォルダのロックファイルを作れませんでした。\n" + folder + u"\n（" +
               text::fromUtf8(attempt.error) + u"）";
    }
    lock = std::move(attempt.lock);
    run::removeLeftoverTemporaries(text::toPath(folder));
    return std::nullopt;
}

std::u16string contentsPageOrFolder(const run::RunState& state)
{
    const std::u16string& folder = state.DataPath.empty() ? state.ProgramFolder : state.DataPath;
    const std::u16string page = folder + u"index.html";
    std::error_code ec;
    return std::filesystem::is_regular_file(text::toPath(page), ec) ? page : folder;
}

} // namespace vz::session
