#pragma once

#include <functional>
#include <string>

#include "session/front_end_parts.h"
#include "session/window_thread.h"

namespace vz::session {

/// What the session calls the windows through. On the window thread every call goes straight to
/// the windows; from a run on another thread it is handed to the window thread: reports and
/// progress are posted in order and the run goes on, message boxes wait for their answer as
/// they would on the window thread. Once the window thread is closed, a message box is not shown
/// and a question is answered no.
class WindowCalls final : public run::FrontEnd,
                          public run::ErrorSink,
                          public platform::Messages,
                          public platform::EventYield
{
public:
    WindowCalls(FrontEndParts targets, WindowThread& thread) : m_targets(targets), m_thread(thread) {}

    void setCaption(const std::u16string& fileName) override;
    void openConfig() override;
    void showRunField(run::RunField field, const std::u16string& text) override;
    void setStopCaption(const std::u16string& caption) override;
    void siteFinished(const std::u16string& indexName, int gathered, int failed) override;
    void articleStarted(int article, int articles) override;
    void downloadFailed(const std::u16string& url, const std::u16string& cause) override;
    void transferWaiting(const std::u16string& url, int seconds) override;
    void pictureStarted(const std::u16string& url) override;

    void appendLine(const std::u16string& line) override;

    void information(const std::u16string& text) override;
    void alert(const std::u16string& text) override;
    bool askOkCancel(const std::u16string& text) override;
    bool askYesNo(const std::u16string& text) override;

    void yieldEvents() override;

private:
    void post(std::function<void()> call);
    void callAndWait(std::function<void()> call);

    FrontEndParts m_targets;
    WindowThread& m_thread;
};

} // namespace vz::session
