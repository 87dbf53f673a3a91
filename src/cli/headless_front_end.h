#pragma once

#include <cstdio>
#include <string>

#include "platform/event_yield.h"
#include "platform/messages.h"
#include "run/front_end.h"

namespace vz::cli {

/// The front end without windows: messages and error-list lines go to a stream (stderr), each
/// as one UTF-8 line; what only a window would show is dropped.
class HeadlessFrontEnd final : public run::FrontEnd,
                               public run::ErrorSink,
                               public platform::Messages,
                               public platform::EventYield
{
public:
    /// `out` takes every line; `live` says whether it is a terminal, where the article being
    /// fetched is shown on one line that is rewritten in place.
    HeadlessFrontEnd(std::FILE* out, bool live) : m_out(out), m_live(live) {}

    void setCaption(const std::u16string&) override {}
    void openConfig() override;
    void showRunField(run::RunField field, const std::u16string& text) override;
    void setStopCaption(const std::u16string&) override {}
    void siteFinished(const std::u16string& indexName, int gathered, int failed) override;

    void appendLine(const std::u16string& line) override;
    void information(const std::u16string& text) override;
    void alert(const std::u16string& text) override;
    /// Nobody is there to answer: every question is declined, so nothing is changed on a guess.
    bool askOkCancel(const std::u16string& text) override;
    bool askYesNo(const std::u16string& text) override;
    void yieldEvents() override {}

    /// Whether the configuration window would have been opened (so a person must edit the file).
    bool configRequested() const { return m_configRequested; }

private:
    void print(const std::u16string& text);
    void clearLiveLine();

    std::FILE* m_out;
    bool m_live;
    bool m_liveLineShown = false;
    bool m_configRequested = false;
};

} // namespace vz::cli
