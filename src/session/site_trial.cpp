#include "site_trial.h"

#include <exception>

#include "gather/startup.h"
#include "run/text.h"

namespace vz::session {

SiteTrial::~SiteTrial()
{
    if (m_thread.joinable()) {
        m_fetcher->stop();
        m_thread.join();
    }
}

std::variant<gather::CheckRequest, std::u16string>
SiteTrial::request(const run::SiteRecord& site, const run::RunSettings& settings, std::optional<int> article)
{
    gather::CheckRequest request{site, {}, article};
    const auto fitting = gather::lineFittingOf(settings);
    const auto last = gather::lastArticleIndexOf(settings);
    for (const gather::SettingProblem* problem :
         {std::get_if<gather::SettingProblem>(&fitting), std::get_if<gather::SettingProblem>(&last)}) {
        if (problem) {
            return u"設定画面の" + problem->field + u"が「" + problem->value + u"」なので試せません（" +
                   problem->message + u"）";
        }
    }
    request.settings.fitting = std::get<extract::LineFitting>(fitting);
    request.settings.LastArticleIndex = std::get<std::int16_t>(last);
    return request;
}

bool SiteTrial::start(gather::CheckRequest request, Done done, std::u16string& error)
{
    if (m_phase.load() != Phase::Idle || m_thread.joinable()) {
        return false;
    }
    if (!m_fetcher) {
        try {
            m_fetcher = m_makeFetcher();
        } catch (const std::exception& e) {
            error = text::fromUtf8(e.what());
            return false;
        }
    }
    m_fetcher->resume();
    m_phase = Phase::Running;
    m_thread = std::thread([this, request = std::move(request), done = std::move(done)]() mutable {
        gather::SiteCheck check = gather::checkSite(request, *m_fetcher);
        // Joined on the window thread, where the result is told; idle only after that, so a start
        // never meets a thread that is still ending.
        m_window.post([this, done = std::move(done), check = std::move(check)]() mutable {
            if (m_thread.joinable()) {
                m_thread.join();
            }
            m_phase = Phase::Idle;
            if (done) {
                done(std::move(check));
            }
        });
    });
    return true;
}

bool SiteTrial::stop()
{
    Phase running = Phase::Running;
    if (!m_phase.compare_exchange_strong(running, Phase::Stopping)) {
        return false;
    }
    m_fetcher->stop();
    return true;
}

} // namespace vz::session
