#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <variant>

#include "gather/site_check.h"
#include "platform/fetcher.h"
#include "run/site_list_file.h"
#include "session/window_thread.h"

namespace vz::session {

/// Tries a site on a thread of its own, so the window that asked answers meanwhile, through a
/// fetcher of its own, so a run going on at the same time is neither slowed by it nor stopped with
/// it. Used from the window thread only.
class SiteTrial
{
public:
    /// Makes the fetcher the trials go through, once, at the first trial; it may throw.
    using MakeFetcher = std::function<std::unique_ptr<platform::Fetcher>()>;
    /// Told on the window thread once a trial has ended (stopped or not).
    using Done = std::function<void(gather::SiteCheck)>;

    SiteTrial(WindowThread& window, MakeFetcher makeFetcher) : m_window(window), m_makeFetcher(std::move(makeFetcher))
    {
    }
    /// Stops a trial going on and waits for its thread.
    ~SiteTrial();
    SiteTrial(const SiteTrial&) = delete;
    SiteTrial& operator=(const SiteTrial&) = delete;

    /// What a site as it stands in the detail window is tried with: the settings line as the
    /// configuration window holds it. A setting a run cannot take gives the message to show.
    static std::variant<gather::CheckRequest, std::u16string>
    request(const run::SiteRecord& site, const run::RunSettings& settings, std::optional<int> article);

    /// Starts trying. False when a trial is still going on or stopping; an error text in `error`
    /// when no fetcher could be made.
    bool start(gather::CheckRequest request, Done done, std::u16string& error);
    /// Asks the trial going on to stop; it ends within a second. False when none is going on.
    bool stop();

    enum class Phase { Idle, Running, Stopping };
    Phase phase() const { return m_phase.load(); }

private:
    WindowThread& m_window;
    MakeFetcher m_makeFetcher;
    std::unique_ptr<platform::Fetcher> m_fetcher;
    std::thread m_thread;
    std::atomic<Phase> m_phase{Phase::Idle};
};

} // namespace vz::session
