#include "session.h"

#include <algorithm>
#include <filesystem>

#include "run/string_helpers.h"
#include "run/text.h"

namespace vz::session {

Session::Session(run::RunState& state, const platform::Clock& clock, platform::Downloader& downloader,
                 FrontEndParts parts)
    : m_state(state), m_reporter(m_state, parts.errors, parts.messages), m_services{clock, parts.events, parts.messages,
                                                                                    parts.frontEnd, m_reporter},
      m_fetcher(m_state, m_reporter, downloader, parts.events, &parts.frontEnd), m_context{m_state, m_values,
                                                                                           m_services, m_fetcher,
                                                                                           downloader},
      m_driver(m_context)
{
}

gather::StartUpResult Session::startUp(const std::u16string& programFolder,
                                       const std::optional<std::u16string>& iniFile)
{
    return iniFile ? gather::startUpWithFile(m_state, m_values, m_services, programFolder, *iniFile)
                   : gather::startUp(m_state, m_values, m_services, programFolder);
}

gather::InitResult Session::readIni(const std::u16string& path)
{
    m_state.CurrentIniPath = path;
    const gather::InitResult result = gather::Init(m_state, m_values, m_services);
    m_services.frontEnd.setCaption(run::FileNameOnly(m_state.CurrentIniPath));
    m_state.IniChosenByHand = true;
    return result;
}

bool Session::anySite() const
{
    const auto& rows = m_values.SiteTable.rows;
    return std::any_of(rows.begin(), rows.end(), [](const run::SiteRecord& site) { return !site.IndexName.empty(); });
}

void Session::shutdown()
{
    gather::shutdown(m_state, m_services);
}

std::u16string contentsPageOrFolder(const run::RunState& state)
{
    const std::u16string& folder = state.DataPath.empty() ? state.ProgramFolder : state.DataPath;
    const std::u16string page = folder + u"index.html";
    std::error_code ec;
    return std::filesystem::is_regular_file(text::toPath(page), ec) ? page : folder;
}

} // namespace vz::session
