#include "gather/site_check.h"

#include "gather/check_report.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <set>

#include <gtest/gtest.h>

#include "cli/headless_command.h"
#include "cli/headless_front_end.h"
#include "fakes/fake_front_end.h"
#include "gather/startup.h"
#include "platform/concurrent_fetcher.h"
#include "platform/cp932.h"
#include "run/text.h"
#include "support/printed.h"
#include "support/temp_dir.h"
#include "support/test_http_server.h"

namespace vz::test {
namespace {

using namespace std::chrono_literals;
using Kind = gather::SiteSnag::Kind;
using text::u;

constexpr const char* kSettings = "J\t0\t@DATA@/\tNOAUTO\tNODAILY\t\tNOCONTENTS\tNOSEPARATETOPICFILES";

// One news site on the loopback: an index whose list holds two articles, a repeat, a link back to
// the index and an anchor that is no page; each article with a picture worth keeping and one too
// small to keep.
class SiteCheckTest : public ::testing::Test
{
protected:
    SiteCheckTest()
    {
        server.serve("/n/index.html", "<html><body><ul class=\"list\"><a href=\"a1.html\">1</a><br><a "
                                      "href=\"a2.html\">2</a><br><a href=\"a2.html\">2</a><br><a "
                                      "href=\"index.html\">top</a><br><a href=\"doc.cgi\">c</a></ul></body></html>");
        for (const char* n : {"1", "2"}) {
            server.serve(std::string("/n/a") + n + ".html",
                         std::string("<html><body><h1 class=\"t\">見出し") + n +
                             "</h1><div class=\"body\"><p>本文です。</p><img src=\"big.gif\"><img "
                             "src=\"small.gif\"></div><!-- end --></body></html>");
        }
        server.serve("/n/big.gif", "GIF89a" + std::string(400, 'x'), "image/gif");
        server.serve("/n/small.gif", "GIF89a" + std::string(10, 'x'), "image/gif");
        server.serve("/skip/index.html",
                     "<ul class=\"list\"><a href=\"index.html\">1</a><br><a href=\"sub/index.htm\">2</a></ul>");
        server.serve("/nolinks/index.html", "<ul class=\"list\"><a href=\"x.cgi\">x</a></ul>");

        site = run::parseSiteLine(u"ニュース\t" + u(server.url("/n/index.html")) + u"\t" + u(server.url("/n/")) +
                                  u"\tn.html\t<ul class=\"list\">\t</ul>\t<h1 class=\"t\">\t</h1>\t<div "
                                  u"class=\"body\">\t</div>\t\t\tKeepPix");
    }

    gather::CheckSettings settings() const
    {
        const run::RunSettings line = run::parseSettingsLine(u(kSettings));
        gather::CheckSettings values;
        values.fitting = std::get<extract::LineFitting>(gather::lineFittingOf(line));
        values.LastArticleIndex = std::get<std::int16_t>(gather::lastArticleIndexOf(line));
        return values;
    }

    struct RunResult
    {
        std::string printed;
        std::string page;
        std::set<std::string> pagesAsked; ///< every page but the index page, by path
    };

    /// A headless run of the one site, as a scheduler would start it.
    RunResult gather(const run::SiteRecord& one)
    {
        TempDir home;
        const std::string data = (home.path() / "data").string();
        const std::u16string ini = home.folder() + u"sites.ini";
        writeBytes(text::toPath(ini),
                   platform::encodeCp932(u(kSettings).replace(u(kSettings).find(u"@DATA@"), 6, u(data)) + u"\r\n" +
                                         run::siteLine(one) + u"\r\n")
                       .bytes);
        const std::size_t before = server.received().size();
        RunResult result{printedBy([&](std::FILE* out) {
                             cli::HeadlessFrontEnd frontEnd(out, false, true);
                             cli::runHeadless({home.folder(), ini}, frontEnd, clock, fetcher);
                         }),
                         readBytes(std::filesystem::path(data) / "n.html"),
                         {}};
        const auto received = server.received();
        const std::string index = text::toUtf8(one.IndexAddress).substr(server.baseUrl().size());
        for (std::size_t i = before; i < received.size(); ++i) {
            if (!received[i].path.ends_with(".gif") && received[i].path != index) {
                result.pagesAsked.insert(received[i].path);
            }
        }
        return result;
    }

    /// The pages the tester says a run asks for besides the index page: the page checked for the
    /// head and every article fetched, by path.
    std::set<std::string> pagesFetched(const gather::SiteCheck& check) const
    {
        std::set<std::string> paths;
        const auto path = [this](const std::u16string& address) {
            return text::toUtf8(address).substr(server.baseUrl().size());
        };
        if (check.walk.headPage) {
            paths.insert(path(*check.walk.headPage));
        }
        for (const gather::LinkStep& step : check.walk.walked()) {
            if (step.tried()) {
                paths.insert(path(step.address));
            }
        }
        return paths;
    }

    TestHttpServer server;
    FakeClock clock;
    platform::ConcurrentFetcher fetcher{platform::ConcurrentSettings{8, 4, platform::CurlSettings{2s, 3s}}};
    run::SiteRecord site;
};

TEST_F(SiteCheckTest, TheReportAndARunAgreeOnLinksBytesAndTheReasonForAnEmptySite)
{
    const struct
    {
        const char* what;
        int field;
        const char* value;
        Kind kind;
        const char* nearMiss;
    } cases[] = {
        {"markers found", -1, "", Kind::None, nullptr},
        {"index start marker in other case", 4, "<UL class=\"list\">", Kind::IndexStart, "<ul class=\"list\">"},
        {"index start marker with other blanks and quotes", 4, "<ul  class='list'>", Kind::IndexStart,
         "<ul class=\"list\">"},
        {"index end marker missing", 5, "</ol>", Kind::IndexEnd, nullptr},
        {"headline start marker missing", 6, "<h2 class=\"t\">", Kind::HeadlineStart, nullptr},
        {"headline end marker in other case", 7, "</H1>", Kind::HeadlineEnd, "</h1>"},
        {"text start marker missing", 8, "<div class=\"text\">", Kind::TextStart, nullptr},
        {"text end marker missing", 9, "</section>", Kind::TextEnd, nullptr},
        {"links all skipped", 1, "/skip/index.html", Kind::AllSkipped, nullptr},
        {"no link with a page suffix", 1, "/nolinks/index.html", Kind::NoLinks, nullptr},
        {"an index that fails", 1, "/status/404", Kind::IndexFetch, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        run::SiteRecord one = site;
        if (c.field == 1) {
            one.IndexAddress = u(server.url(c.value));
        } else if (c.field >= 0) {
            one.field(c.field) = u(c.value);
        }
        const gather::SiteCheck check = gather::checkSite({one, settings(), std::nullopt}, fetcher);
        const RunResult run = gather(one);

        EXPECT_EQ(check.snag.kind, c.kind) << text::toUtf8(gather::verdictText(check));
        EXPECT_EQ(check.works(), c.kind == Kind::None);
        EXPECT_EQ(pagesFetched(check), run.pagesAsked) << "the links the report says a run fetches";
        const std::string line = text::toUtf8(u"サイト「ニュース」から記事を 1 件も収集できませんでした。 : " +
                                              gather::snagText(check.snag));
        if (check.works()) {
            EXPECT_NE(run.page.find(platform::encodeCp932(check.article->text + u"\r\n").bytes), std::string::npos)
                << "the article as the report shows it is the article as the run writes it";
            EXPECT_EQ(run.printed.find("収集できませんでした"), std::string::npos) << run.printed;
            continue;
        }
        // Every empty site gets one line, and it says what the report's verdict says.
        EXPECT_NE(run.printed.find(line), std::string::npos) << run.printed << "\nwanted: " << line;
        EXPECT_EQ(run.printed.find("から記事を 1 件も"), run.printed.rfind("から記事を 1 件も"));
        if (c.field >= 4) {
            EXPECT_EQ(check.snag.marker, u(c.value));
            EXPECT_NE(gather::verdictText(check).find(u(c.value)), std::u16string::npos);
        }
        EXPECT_EQ(check.snag.nearMiss.value_or(u""), c.nearMiss ? u(c.nearMiss) : u"");
    }
}

TEST_F(SiteCheckTest, TheReportShowsEveryLinkItsPicturesAndHowThePagesWereRead)
{
    const gather::SiteCheck check = gather::checkSite({site, settings(), std::nullopt}, fetcher);
    ASSERT_TRUE(check.works()) << text::toUtf8(gather::verdictText(check));
    std::vector<gather::LinkFate> fates;
    for (const auto& step : check.walk.steps) {
        fates.push_back(step.fate);
    }
    using gather::LinkFate;
    EXPECT_EQ(fates, (std::vector{LinkFate::Fetched, LinkFate::Fetched, LinkFate::Repeat, LinkFate::IndexPage}));
    EXPECT_EQ(check.walk.steps[1].address, u(server.url("/n/a2.html")));
    ASSERT_EQ(check.unlisted.size(), 1U);
    EXPECT_EQ(check.unlisted[0].before, 4);
    EXPECT_NE(check.unlisted[0].anchor.find(u"doc.cgi"), std::u16string::npos);

    const gather::ArticleCheck& article = *check.article;
    EXPECT_EQ(article.headline, u"見出し1");
    ASSERT_EQ(article.pictures.size(), 2U);
    EXPECT_TRUE(article.pictures[0].kept);
    EXPECT_EQ(article.pictures[0].bytes, 406U);
    EXPECT_FALSE(article.pictures[1].kept);
    EXPECT_NE(article.pictures[1].why.find(u"256"), std::u16string::npos);
    EXPECT_NE(article.text.find(u"<img src=\"pix/00000.gif\">"), std::u16string::npos);
    EXPECT_EQ(article.bytes, platform::encodeCp932(article.text).bytes.size());
    EXPECT_FALSE(std::filesystem::exists("pix")) << "pictures are measured, never stored";
    EXPECT_NE(check.index.encoding.find(u"ASCII"), std::u16string::npos);
    EXPECT_NE(article.page.encoding.find(u"UTF-8"), std::u16string::npos);

    // Another article picked from the list.
    const gather::SiteCheck second = gather::checkSite({site, settings(), 1}, fetcher);
    EXPECT_EQ(second.article->headline, u"見出し2");
    EXPECT_NE(gather::reportText(second, {3, true}).find(u"判定: 使えます"), std::u16string::npos);
}

} // namespace
} // namespace vz::test
