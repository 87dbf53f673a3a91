#include "window_calls.h"

#include <memory>

namespace vz::session {

void WindowCalls::post(std::function<void()> call)
{
    if (m_thread.isCurrent()) {
        call();
    } else {
        m_thread.post(std::move(call));
    }
}

void WindowCalls::callAndWait(std::function<void()> call)
{
    if (m_thread.isCurrent()) {
        call();
    } else {
        m_thread.callAndWait(std::move(call));
    }
}

void WindowCalls::setCaption(const std::u16string& fileName)
{
    post([this, fileName] { m_targets.frontEnd.setCaption(fileName); });
}

void WindowCalls::openConfig()
{
    post([this] { m_targets.frontEnd.openConfig(); });
}

void WindowCalls::showRunField(run::RunField field, const std::u16string& text)
{
    post([this, field, text] { m_targets.frontEnd.showRunField(field, text); });
}

void WindowCalls::setStopCaption(const std::u16string& caption)
{
    post([this, caption] { m_targets.frontEnd.setStopCaption(caption); });
}

void WindowCalls::siteFinished(const std::u16string& indexName, int gathered, int failed)
{
    post([this, indexName, gathered, failed] { m_targets.frontEnd.siteFinished(indexName, gathered, failed); });
}

void WindowCalls::articleStarted(int article, int articles)
{
    post([this, article, articles] { m_targets.frontEnd.articleStarted(article, articles); });
}

void WindowCalls::downloadFailed(const std::u16string& url, const std::u16string& cause)
{
    post([this, url, cause] { m_targets.frontEnd.downloadFailed(url, cause); });
}

void WindowCalls::transferWaiting(const std::u16string& url, int seconds)
{
    post([this, url, seconds] { m_targets.frontEnd.transferWaiting(url, seconds); });
}

void WindowCalls::pictureStarted(const std::u16string& url)
{
    post([this, url] { m_targets.frontEnd.pictureStarted(url); });
}

void WindowCalls::appendLine(const std::u16string& line)
{
    post([this, line] { m_targets.errors.appendLine(line); });
}

void WindowCalls::information(const std::u16string& text)
{
    callAndWait([this, text] { m_targets.messages.information(text); });
}

void WindowCalls::alert(const std::u16string& text)
{
    callAndWait([this, text] { m_targets.messages.alert(text); });
}

// A question the windows no longer answer, as the program closes, is answered no.
bool WindowCalls::askOkCancel(const std::u16string& text)
{
    const auto yes = std::make_shared<bool>(false);
    callAndWait([this, text, yes] { *yes = m_targets.messages.askOkCancel(text); });
    return *yes;
}

bool WindowCalls::askYesNo(const std::u16string& text)
{
    const auto yes = std::make_shared<bool>(false);
    callAndWait([this, text, yes] { *yes = m_targets.messages.askYesNo(text); });
    return *yes;
}

void WindowCalls::yieldEvents()
{
    // A run on its own thread has nothing to let run: the windows go on by themselves, and a stop
    // reaches the run through the fetcher.
    if (m_thread.isCurrent()) {
        m_targets.events.yieldEvents();
    }
}

} // namespace vz::session
