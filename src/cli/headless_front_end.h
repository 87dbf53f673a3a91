#pragma once

#include <cstdio>
#include <string>

#include "platform/event_yield.h"
#include "platform/messages.h"
#include "run/front_end.h"

namespace vz::cli {

/// The front end without windows: messages and error-list lines go to a stream (stderr), each
/// as one UTF-8 line; what only a window would show is dropped. Control characters in the text
/// (pages and addresses come from strangers) are printed as escapes, never sent to a terminal.
class HeadlessFrontEnd final : public run::FrontEnd,
                               public run::ErrorSink,
                               public platform::Messages,
                               public platform::EventYield
{
public:
    /// `out` takes every line; `live` says whether it is a terminal, where the article being
    /// fetched is shown on one line that is rewritten in place. `quiet` keeps only the reports:
    /// no progress lines and no notices that something was made.
    HeadlessFrontEnd(std::FILE* out, bool live, bool quiet = false) : m_out(out), m_live(live && !quiet), m_quiet(quiet)
    {
    }

    void setCaption(const std::u16string&) override {}
    void openConfig() override;
    void showRunField(run::RunField field, const std::u16string& text) override;
    void setStopCaption(const std::u16string&) override {}
    void siteFinished(const std::u16string& indexName, int gathered, int failed) override;
    void downloadFailed(const std::u16string& url, const std::u16string& cause) override;
    /// On a terminal the waiting address and its seconds replace the live line; elsewhere a
    /// progress line every ten seconds says what the run waits for.
    void transferWaiting(const std::u16string& url, int seconds) override;

    void appendLine(const std::u16string& line) override;
    void information(const std::u16string& text) override;
    void alert(const std::u16string& text) override;
    /// Nobody is there to answer: every question is declined, so nothing is changed on a guess.
    bool askOkCancel(const std::u16string& text) override;
    bool askYesNo(const std::u16string& text) override;
    void yieldEvents() override {}

    /// With `quiet`, the line printed before the first report (the run's date and time), so that
    /// a file collecting the reports of many runs tells them apart.
    void setHeading(std::u16string heading) { m_heading = std::move(heading); }

    /// Articles gathered and page downloads failed so far.
    int gathered() const { return m_gathered; }
    int failedDownloads() const { return m_failedDownloads; }

private:
    void report(const std::u16string& text);
    void progress(const std::u16string& text);
    void print(const std::u16string& text);
    void clearLiveLine();
    void showLiveLine(const std::u16string& text);

    std::FILE* m_out;
    bool m_live;
    bool m_quiet;
    bool m_liveLineShown = false;
    std::u16string m_heading;
    bool m_headingShown = false;
    int m_gathered = 0;
    int m_failedDownloads = 0;
};

/// `text` with CR LF as a plain line end and every other control character (C0 but the line end,
/// DEL, C1) as a visible escape: "\x1B", "\u009B".
std::u16string printable(const std::u16string& text);

} // namespace vz::cli
