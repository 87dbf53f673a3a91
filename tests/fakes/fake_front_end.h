#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/event_yield.h"
#include "platform/messages.h"
#include "run/front_end.h"
#include "run/text.h"

namespace vz::test {

/// Records everything the core shows, for the tests to read back.
class FakeFrontEnd : public run::FrontEnd, public run::ErrorSink, public platform::Messages, public platform::EventYield
{
public:
    void setCaption(const std::u16string& fileName) override { captions.push_back(fileName); }
    void openConfig() override { ++configOpened; }
    void showRunField(run::RunField, const std::u16string&) override {}
    void setStopCaption(const std::u16string& caption) override { stopCaptions.push_back(caption); }
    void siteFinished(const std::u16string& name, int gathered, int failed) override
    {
        sites.push_back(name + u" " + text::number(gathered) + u"/" + text::number(failed));
    }
    void downloadFailed(const std::u16string& url, const std::u16string& cause) override
    {
        failedDownloads.push_back(url + u": " + cause);
    }
    void transferWaiting(const std::u16string& url, int seconds) override
    {
        waits.push_back(url.empty() ? u"" : url + u" " + text::number(seconds));
    }
    void appendLine(const std::u16string& line) override { errorLines.push_back(line); }
    void information(const std::u16string& text) override { infos.push_back(text); }
    void alert(const std::u16string& text) override { alerts.push_back(text); }
    bool askOkCancel(const std::u16string& text) override { return answer(text); }
    bool askYesNo(const std::u16string& text) override { return answer(text); }
    void yieldEvents() override
    {
        ++yields;
        if (onYield) {
            onYield();
        }
    }

    std::vector<std::u16string> captions;
    int configOpened = 0;
    std::vector<std::u16string> stopCaptions;
    std::vector<std::u16string> sites;           ///< "name gathered/failed" per finished site
    std::vector<std::u16string> failedDownloads; ///< "url: cause" per failed page download
    std::vector<std::u16string> waits;           ///< "url seconds" while a transfer is waited for; "" at its end
    std::vector<std::u16string> errorLines;
    std::vector<std::u16string> infos;
    std::vector<std::u16string> alerts;
    int yields = 0;
    std::vector<std::u16string> questions;
    /// Answers to the next questions, in order; a question with none left is declined.
    std::vector<bool> answers;
    /// Runs at every yield: a test presses the stop button here.
    std::function<void()> onYield;

private:
    bool answer(const std::u16string& text)
    {
        questions.push_back(text);
        const bool yes = !answers.empty() && answers.front();
        answers.erase(answers.begin(), answers.begin() + (answers.empty() ? 0 : 1));
        return yes;
    }
};

/// A clock that says what the test sets.
class FakeClock : public platform::Clock
{
public:
    explicit FakeClock(platform::DateTime t = {2026, 12, 7, 6, 30, 5, 1}) : time(t) {}
    platform::DateTime now() const override { return time; }
    platform::DateTime time;
};

} // namespace vz::test
