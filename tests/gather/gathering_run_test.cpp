#include "session/run_driver.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "fakes/fake_fetcher.h"
#include "gather/contents_page.h"
#include "platform/cp932.h"
#include "run/text.h"
#include "support/reporting_fixture.h"

namespace vz::test {
namespace {

using text::toUtf8;

std::string page(const std::u16string& headline, const std::u16string& body)
{
    return platform::encodeCp932(u"<html><body><h1>" + headline + u"</h1><div>" + body + u"</div></body></html>").bytes;
}

class GatheringRunTest : public ::testing::Test, public Reporting
{
protected:
    GatheringRunTest()
    {
        state.CurrentIniPath = dir.folder() + u"sites.ini";
        addSite(u"朝刊", "a", 3);
        addSite(u"夕刊", "b", 2);
    }

    /// A site whose index lists `articles` links, each with its own article page.
    void addSite(const std::u16string& name, const std::string& key, int articles)
    {
        std::string list = "<p>news<!--list-->";
        for (int i = 1; i <= articles; ++i) {
            const std::string file = key + std::to_string(i) + ".html";
            list += "<a href=\"" + file + "\">" + file + "</a><br>";
            downloader.resources["http://news.test/" + key + "/" + file] =
                page(name + text::number(i), u"本文" + text::number(i) + u"です。");
        }
        downloader.resources["http://news.test/" + key + "/index.html"] = list + "<!--/list--></p>";
        sites += toUtf8(name) + "\thttp://news.test/" + key + "/index.html\thttp://news.test/" + key + "/\t" + key +
                 ".html\t<!--list-->\t<!--/list-->\t<h1>\t</h1>\t<div>\t</div>\r\n";
    }

    void writeIni(const std::string& settings)
    {
        writeBytes(dir.path() / "sites.ini", platform::encodeCp932(text::fromUtf8(settings + "\r\n" + sites)).bytes);
        ASSERT_EQ(gather::Init(state, values, services), gather::InitResult::Ready);
    }
    std::string data() const { return toUtf8(dir.folder()) + "data"; }
    std::u16string output(const std::string& name) const
    {
        return platform::decodeCp932(readBytes(dir.path() / "data" / name));
    }

    FakeClock clock;
    FakeFetcher downloader;
    gather::RunValues values;
    gather::Services services{clock, fe, fe, fe, reporter};
    gather::RunContext context{state, values, services, downloader};
    session::RunDriver driver{context};
    std::string sites;
};

// The automatic run, as the windows and the headless command start it.
TEST_F(GatheringRunTest, AnAutomaticRunStoppedByHandSaysSoAndDoesNotCloseTheProgram)
{
    writeIni("J\t0\t" + data() + "\tAUTO\tNODAILY\t\tNOCONTENTS\tNOSEPARATETOPICFILES");
    ASSERT_TRUE(driver.runOnce());
    EXPECT_TRUE(state.AutoStart) << "the program closes by itself";
    EXPECT_TRUE(fe.infos.empty()) << "no end message when the program closes by itself";
    EXPECT_EQ(fe.sites, (std::vector<std::u16string>{u"朝刊 3/0", u"夕刊 2/0"}));

    fe.onYield = [this] {
        if (fe.yields == 12) {
            EXPECT_TRUE(driver.requestStop());
            EXPECT_FALSE(driver.prepareStart()) << "a start while the run unwinds starts nothing";
        }
    };
    ASSERT_TRUE(driver.runOnce());
    EXPECT_FALSE(state.AutoStart);
    EXPECT_EQ(driver.phase(), session::RunPhase::Idle);
    EXPECT_EQ(fe.infos, std::vector<std::u16string>{u"ダウンロードが終了しました。"});
}

// However many transfers the run may have, one server gets four at once; and what arrived ahead of
// its turn is held within 16 MB: past that no new transfer starts until the run has taken enough.
TEST_F(GatheringRunTest, FetchesAheadWithinItsMemoryBudgetAndFourTransfersAServer)
{
    // More articles than the look-ahead's window of 64 (two jobs), each 512 KB once read, on a
    // network so fast that every transfer under way arrives at once.
    constexpr int kArticles = 70;
    constexpr std::size_t kPageBytes = 512 << 10;
    std::string list = "<!--list-->";
    for (int i = 1; i <= kArticles; ++i) {
        const std::string file = "big" + std::to_string(i) + ".html";
        list += "<a href=\"" + file + "\">x</a>";
        downloader.resources["http://big.test/" + file] = "<div>" + std::string(kPageBytes / 2, 'x') + "</div>";
    }
    downloader.resources["http://big.test/index.html"] = list + "<!--/list-->";
    downloader.allAtOnce = true;
    sites = "Big\thttp://big.test/index.html\thttp://big.test/\tbig.html\t<!--list-->\t<!--/list-->\t\t\t<div>\t</"
            "div>\r\n";
    writeIni("J\t0\t" + data() + "\tNOAUTO\tNODAILY\t\tNOCONTENTS\tNOSEPARATETOPICFILES");
    values.jobs = 2;
    // The run yields once it has taken a page: at the start, after the index page, after the first
    // article (fetched for the page head) and again as that article, then after each article.
    std::vector<std::size_t> takenAtYield;
    fe.onYield = [&] { takenAtYield.push_back(downloader.taken); };
    ASSERT_TRUE(driver.runOnce());
    EXPECT_EQ(downloader.limits, (std::pair<int, int>{2, 2}));
    values.jobs = 16;
    ASSERT_TRUE(driver.runOnce());
    EXPECT_EQ(downloader.limits, (std::pair<int, int>{16, 4}));

    const std::size_t window = 1 + 64; // the index page and the first window of articles
    ASSERT_GT(takenAtYield.size(), 3u);
    ASSERT_EQ(takenAtYield[2], window) << "the whole window arrived at once";
    const auto more = std::find_if(takenAtYield.begin(), takenAtYield.end(), [&](auto n) { return n > window; });
    ASSERT_NE(more, takenAtYield.end());
    const auto articlesTaken = static_cast<std::size_t>(more - takenAtYield.begin()) - 3;
    const std::size_t waiting = (window - 1 - articlesTaken) * kPageBytes;
    EXPECT_LE(waiting, (16u << 20) + kPageBytes) << "more transfers started while " << waiting << " bytes waited";
    EXPECT_GE(waiting, (16u << 20) - 2 * kPageBytes) << "the look-ahead waited for " << waiting << " bytes";
}

TEST_F(GatheringRunTest, TopicFilesNumberOnAcrossSitesAndRuns)
{
    writeIni("J\t0\t" + data() + "\tNOAUTO\tNODAILY\t2\tNOCONTENTS\tSEPARATETOPICFILES");
    ASSERT_TRUE(driver.runOnce());
    ASSERT_TRUE(driver.runOnce());
    // Two articles a site, two sites, two runs.
    for (int n = 0; n < 8; ++n) {
        EXPECT_TRUE(std::filesystem::exists(dir.path() / "data" / toUtf8(gather::topicFileName(n)))) << n;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "data" / "00008.html"));
    EXPECT_EQ(gather::topicFileName(123456), u"123456.html") << "five digits or more";
    const std::u16string second = output("b.html");
    EXPECT_NE(second.find(u"<a href=\"00006.html\">"), std::u16string::npos) << toUtf8(second);
    EXPECT_EQ(second.find(u"<hr"), second.rfind(u"<hr")) << "link lines get no rule of their own";
    EXPECT_EQ(values.TopicFileNumber, 8);
}

// A stop clicked while Init ran (the windows get their turn there) is spent with the start that
// failed: the next run is not stopped before its first site.
TEST_F(GatheringRunTest, TheButtonStartsNoRunWhenInitFailsAndAStopMeanwhileEndsWithIt)
{
    writeBytes(dir.path() / "sites.ini", "J\tmany\t/tmp\r\nS\thttp://x/\r\n");
    fe.onYield = [this] { driver.requestStop(); };
    EXPECT_FALSE(driver.prepareStart());
    EXPECT_FALSE(state.Running);
    EXPECT_EQ(fe.stopCaptions.back(), u"開始");
    EXPECT_TRUE(downloader.requested.empty());

    fe.onYield = nullptr;
    writeIni("J\t0\t" + data() + "\tNOAUTO\tNODAILY\t\tNOCONTENTS\tNOSEPARATETOPICFILES");
    ASSERT_TRUE(driver.runOnce());
    EXPECT_EQ(fe.sites, (std::vector<std::u16string>{u"朝刊 3/0", u"夕刊 2/0"}));
}

// A page's links and pictures are fetched only over http and https, ahead of their turn or at it.
TEST_F(GatheringRunTest, FetchesOnlyHttpFromPagesAndSkipsASiteWhosePageCannotBeWritten)
{
    // A local file named by an index page, with no base address to join it to.
    downloader.resources["file:///some/path#.html"] = page(u"秘密", u"ローカルのファイル");
    downloader.resources["http://news.test/c/index.html"] =
        "<!--list--><a href=\"file:///some/path#.html\">x</a><!--/list-->";
    downloader.resources["http://news.test/d/index.html"] =
        "<!--list--><a href=\"file:///etc/hostname\">x</a><a href=\"d1.html\">y</a><!--/list-->";
    downloader.resources["http://news.test/d/d1.html"] =
        page(u"見出し", u"<img src=\"file:///etc/hostname\"><img src=\"FILE:///etc/passwd\">本文");
    const std::string markers = "\t<!--list-->\t<!--/list-->\t<h1>\t</h1>\t<div>\t</div>";
    sites = "L\thttp://news.test/c/index.html\t\tc.html" + markers + "\r\nNoName\thttp://news.test/a/index.html\t\t" +
            markers + "\r\nNoFolder\thttp://news.test/a/index.html\t\tmissing/x.html" + markers +
            "\r\nD\thttp://news.test/d/index.html\thttp://news.test/d/\td.html" + markers + "\t\t\tKeepPix\r\n" + sites;
    writeIni("J\t0\t" + data() + "\tNOAUTO\tNODAILY\t\tNOCONTENTS\tNOSEPARATETOPICFILES");
    ASSERT_TRUE(driver.runOnce());

    for (const std::string& url : downloader.started) {
        EXPECT_TRUE(url.starts_with("http://")) << url;
    }
    EXPECT_EQ(output("c.html").find(u"ローカル"), std::u16string::npos);
    EXPECT_NE(output("d.html").find(u"本文"), std::u16string::npos);
    const auto logged = [this](const std::u16string& part) {
        return std::count_if(fe.errorLines.begin(), fe.errorLines.end(),
                             [&](const std::u16string& line) { return line.find(part) != std::u16string::npos; });
    };
    EXPECT_EQ(logged(u"HTMLファイルがダウンロードできませんでした。 : file:///some/path#.html"), 2)
        << "refused like a failed download, for the page head and for the article";
    EXPECT_EQ(logged(u"出力ファイルに書き込めませんでした。"), 2);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "data" / "missing"));
    EXPECT_EQ(fe.sites, (std::vector<std::u16string>{u"L 0/1", u"NoName 0/0", u"NoFolder 0/0", u"D 1/0", u"朝刊 3/0",
                                                     u"夕刊 2/0"}));

    // A contents page that cannot be written is one more report; the sites are still gathered.
    std::filesystem::create_directories(dir.path() / "data" / "index.html");
    writeIni("J\t0\t" + data() + "\tNOAUTO\tNODAILY\t\tCONTENTS\tNOSEPARATETOPICFILES");
    ASSERT_TRUE(driver.runOnce());
    EXPECT_EQ(logged(u"MakeContents"), 1);
    EXPECT_EQ(fe.sites.size(), 12u);
}

} // namespace
} // namespace vz::test
