#include "cli/check_command.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/headless_command.h"
#include "fakes/fake_front_end.h"
#include "platform/concurrent_fetcher.h"
#include "platform/cp932.h"
#include "run/text.h"
#include "support/printed.h"
#include "support/temp_dir.h"
#include "support/test_http_server.h"

namespace vz::test {
namespace {

using namespace std::chrono_literals;

TEST(CheckCommand, TriesTheChosenSitesWritingNothingAndSaysWhetherEachGivesAnArticle)
{
    TestHttpServer server;
    server.serve("/n/index.html", "<ul><a href=\"a1.html\">1</a></ul>");
    server.serve("/n/a1.html", "<h1>One</h1><div>first</div>");
    TempDir home;
    const std::string site = "\t" + server.url("/n/index.html") + "\t" + server.url("/n/") + "\tn.html\t<ul>\t</ul>\t";
    writeBytes(home.path() / "sites.ini",
               platform::encodeCp932(text::fromUtf8("J\t0\t" + (home.path() / "data").string() +
                                                    "/\tNOAUTO\tNODAILY\t\tNOCONTENTS\t\r\n" + "良い" + site +
                                                    "<h1>\t</h1>\t<div>\t</div>\t\t\t\t\t\r\n" + "悪い" + site +
                                                    "<H1>\t</h1>\t<div>\t</div>\t\t\t\t\t\r\n" + "'休み" + site +
                                                    "<h1>\t</h1>\t<div>\t</div>\t\t\t\t\t\r\n"))
                   .bytes);
    platform::ConcurrentFetcher fetcher{platform::ConcurrentSettings{8, 4, platform::CurlSettings{2s, 3s}}};
    FakeClock clock;

    const struct
    {
        std::vector<std::u16string> sites;
        bool json;
        int status;
        std::vector<std::string> printed;
        std::vector<std::string> absent;
    } cases[] = {
        {{},
         false,
         cli::kExitCheckFailed,
         {"[1] 良い", "判定: 使えます", "[2] 悪い", "「<h1>」", "2 サイトのうち 1"},
         {"休み"}},
        {{u"1"}, false, 0, {"[1] 良い", "<p><h4>One</h4></p>first"}, {"悪い"}},
        {{u"休み"}, false, 0, {"[3] 休み（スイッチが切ってあります）"}, {}},
        {{u"悪い"},
         true,
         cli::kExitCheckFailed,
         {"{\"siteList\":", "\"kind\":\"headline-start-marker\"", "\"nearMiss\":\"<h1>\"", "\"allWork\":false}"},
         {}},
        {{u"4"}, false, cli::kExitUsage, {"サイト 4 はサイトリストファイルにありません"}, {}},
    };
    for (const auto& c : cases) {
        int status = -1;
        const std::string printed = printedBy([&](std::FILE* out) {
            cli::HeadlessFrontEnd messages(out, false);
            status = cli::runCheck({home.folder(), home.folder() + u"sites.ini", 8, c.json, c.sites}, out, messages,
                                   clock, fetcher);
        });
        EXPECT_EQ(status, c.status) << printed;
        for (const auto& text : c.printed) {
            EXPECT_NE(printed.find(text), std::string::npos) << text << " in\n" << printed;
        }
        for (const auto& text : c.absent) {
            EXPECT_EQ(printed.find(text), std::string::npos) << text << " in\n" << printed;
        }
    }
    // Nothing was written: no data folder, no log, no weekday table.
    EXPECT_EQ(filesUnder(home.path()).size(), 1U);
}

} // namespace
} // namespace vz::test
