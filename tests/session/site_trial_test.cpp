#include "session/site_trial.h"

#include <chrono>

#include <gtest/gtest.h>

#include "fakes/queued_window_thread.h"
#include "platform/concurrent_fetcher.h"
#include "run/text.h"
#include "support/test_http_server.h"

namespace vz::test {
namespace {

using namespace std::chrono_literals;
using session::SiteTrial;

TEST(SiteTrial, TakesTheSettingsAsEditedAndNamesOneThatCannotRun)
{
    run::RunSettings settings;
    settings.FitToScreen = true;
    settings.NrLtrLine = u"12";
    settings.NrPage = u"3";
    const auto request = SiteTrial::request({}, settings, 1);
    ASSERT_TRUE(std::holds_alternative<gather::CheckRequest>(request));
    const auto& asked = std::get<gather::CheckRequest>(request);
    EXPECT_EQ(asked.settings.fitting.FitToScreen, u"E");
    EXPECT_EQ(asked.settings.fitting.NrLtrLine, 12);
    EXPECT_EQ(asked.settings.LastArticleIndex, 2);
    EXPECT_EQ(asked.article, 1);

    settings.NrPage = u"三";
    const auto refused = SiteTrial::request({}, settings, std::nullopt);
    ASSERT_TRUE(std::holds_alternative<std::u16string>(refused));
    EXPECT_NE(std::get<std::u16string>(refused).find(u"NrPage"), std::u16string::npos);
}

TEST(SiteTrial, OneTrialAtATimeEndsOnTheWindowThreadAndStopsWithinASecond)
{
    TestHttpServer server;
    QueuedWindowThread window;
    SiteTrial trial(window, [] { return std::make_unique<platform::ConcurrentFetcher>(); });
    gather::CheckRequest request;
    request.site.IndexName = u"遅い";
    request.site.IndexAddress = text::fromUtf8(server.url("/slow"));
    request.site.FilterIndex1 = u"<ul>";
    std::optional<gather::SiteCheck> ended;
    std::u16string error;
    ASSERT_TRUE(trial.start(
        request, [&](gather::SiteCheck check) { ended = std::move(check); }, error));
    EXPECT_FALSE(trial.start(request, {}, error)) << "a second trial waits for the first";
    std::this_thread::sleep_for(200ms);
    const auto stopping = std::chrono::steady_clock::now();
    EXPECT_TRUE(trial.stop());
    ASSERT_TRUE(window.pumpUntil([&] { return ended.has_value(); }, 2s));
    EXPECT_LT(std::chrono::steady_clock::now() - stopping, 1s);
    EXPECT_TRUE(ended->stopped);
    EXPECT_EQ(trial.phase(), SiteTrial::Phase::Idle);
}

} // namespace
} // namespace vz::test
