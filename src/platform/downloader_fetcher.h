#pragma once

#include <atomic>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/downloader.h"
#include "platform/fetcher.h"

namespace vz::platform {

/// Status of a download that raised an error instead of reporting one.
inline constexpr int kDownloadRaised = -1;

/// One download at a time through a Downloader, each into the same scratch file, whose bytes are
/// then read back. For downloaders that only write files; transfers run inside poll() and take().
/// A download under way cannot be abandoned: a stop takes effect when it returns.
class DownloaderFetcher final : public Fetcher
{
public:
    /// `scratch` is the file every download goes through (UTF-8).
    DownloaderFetcher(Downloader& downloader, std::string scratch);

    Ticket start(const std::string& url, Order order) override;
    std::vector<Ticket> poll(std::chrono::milliseconds wait) override;
    bool done(Ticket ticket) const override;
    Fetched take(Ticket ticket) override;
    void cancel(Ticket ticket) override;
    void hurry(Ticket ticket) override;
    void setLimits(int, int) override {}
    void stop() override { m_stopped.store(true); }
    bool stopped() const override { return m_stopped.load(); }
    void resume() override { m_stopped.store(false); }

private:
    void runOne(Ticket ticket);

    Downloader& m_downloader;
    std::string m_scratch;
    std::deque<Ticket> m_queue;
    std::map<Ticket, std::string> m_urls;
    std::map<Ticket, Order> m_orders; ///< of the tickets waiting
    std::map<Ticket, Fetched> m_done;
    Ticket m_next = 1;
    std::atomic<bool> m_stopped{false};
};

} // namespace vz::platform
