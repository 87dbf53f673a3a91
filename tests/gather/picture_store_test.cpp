#include "gather/picture_store.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "fakes/fake_front_end.h"
#include "gather/look_ahead.h"
#include "platform/concurrent_fetcher.h"
#include "run/text.h"
#include "support/temp_dir.h"
#include "support/test_http_server.h"

namespace vz::test {
namespace {

using text::fromUtf8;

/// A run's reporting and fetching, on the loopback server, into a data folder of its own.
class PictureStoreTest : public ::testing::Test
{
protected:
    PictureStoreTest() { state.DataPath = dir.folder(); }

    std::u16string address(const char* path) const { return fromUtf8(server.url(path)); }

    /// Lets a hanging answer go; it outlives the server, whose handlers may still read it.
    std::atomic<bool> answer{false};
    TestHttpServer server;
    TempDir dir;
    run::RunState state;
    FakeFrontEnd fe;
    run::Reporter reporter{state, fe, fe};
    platform::ConcurrentFetcher transfers;
    gather::LookAhead ahead{transfers, 8, 1 << 20, nullptr};
    gather::PageFetcher fetcher{reporter, ahead, fe};
};

TEST_F(PictureStoreTest, KeepsLargeEnoughPicturesFromTheFirstAddressThatAnswersNumberedOn)
{
    server.serve("/pics/small.gif", std::string(256, 's'), "image/gif");
    server.serve("/pics/big.gif", std::string(257, 'b'), "image/gif");
    server.serve("/site/news/rel.gif", std::string(300, 'r'), "image/gif");
    std::int32_t PictureNumber = 7;
    gather::PictureStore store(reporter, state.DataPath, PictureNumber, fetcher);
    const auto pix = dir.path() / "pix";

    store.prepare();
    store.prepare();
    EXPECT_EQ(fe.errorLines, std::vector<std::u16string>{run::errorListLine(u"ディレクトリを作成しました。",
                                                                            state.DataPath + u"pix/", u"", u"KeepPix")})
        << "the folder's creation is reported once";

    EXPECT_EQ(store.keep({address("/pics/small.gif")}, u".gif", 256), u"") << "not larger than the minimum";
    EXPECT_EQ(store.keep({address("/elsewhere/rel.gif"), address("/site/news/rel.gif"), u"rel.gif"}, u".gif", 256),
              u"<img src=\"pix/00007.gif\"> <br>");
    EXPECT_EQ(store.keep({address("/missing.gif"), u"http://127.0.0.1:1/none.gif"}, u".gif", 256), u"");
    // A page never makes the program copy a local file, however the address is written.
    EXPECT_EQ(store.keep({u"file:///etc/hostname", u" FILE:///etc/hostname", u"hostname"}, u"", -1), u"");
    EXPECT_EQ(store.keep({address("/pics/big.gif")}, u".gif", 256), u"<img src=\"pix/00008.gif\"> <br>");
    EXPECT_EQ(store.keep({address("/pics/small.gif")}, u".gif", -1), u"<img src=\"pix/00009.gif\"> <br>")
        << "a negative minimum keeps any size";

    EXPECT_EQ(PictureNumber, 10);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(pix), {}), 3);
    EXPECT_EQ(readBytes(pix / "00007.gif"), std::string(300, 'r'));
    EXPECT_EQ(readBytes(pix / "00008.gif"), std::string(257, 'b'));
    EXPECT_EQ(server.requestCount("/site/news/rel.gif"), 1U);
    EXPECT_EQ(server.requestCount("/rel.gif"), 0U) << "no try after the first that answers";
    EXPECT_EQ(fe.errorLines.size(), 1U) << "failed pictures are dropped without a report";
}

// An article's pictures cost a bounded number of pictures, tries and seconds; what was left out is
// reported with the article, and the next article starts afresh.
TEST_F(PictureStoreTest, AnArticlesPicturesAreBoundedInNumberTriesAndTime)
{
    server.serve("/p.gif", std::string(300, 'p'), "image/gif");
    server.handle("/hang.gif", [this](const httplib::Request&, httplib::Response& response) {
        for (int waited = 0; waited < 500 && !answer; ++waited) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        response.set_content("late", "image/gif");
    });
    std::int32_t PictureNumber = 0;
    gather::PictureStore store(reporter, state.DataPath, PictureNumber, fetcher,
                               gather::PictureLimits{2, 2, std::chrono::milliseconds(1000)});
    store.prepare();

    store.beginArticle(u"http://news.test/1.html");
    EXPECT_EQ(
        store.keep({address("/a/m.gif"), address("/a/m.gif"), address("/b/m.gif"), address("/c/m.gif")}, u".gif", 256),
        u"");
    EXPECT_EQ(server.requestCount("/c/m.gif"), 0U) << "two distinct addresses are tried, the same one once";
    EXPECT_EQ(server.requestCount("/a/m.gif"), 1U);
    EXPECT_NE(store.keep({address("/p.gif")}, u".gif", 256), u"");
    EXPECT_EQ(store.keep({address("/p.gif")}, u".gif", 256), u"") << "the third picture of the article";
    store.endArticle();

    store.beginArticle(u"http://news.test/2.html");
    const auto begun = std::chrono::steady_clock::now();
    EXPECT_EQ(store.keep({address("/hang.gif")}, u".gif", 256), u"");
    EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::seconds(3));
    EXPECT_EQ(store.keep({address("/p.gif")}, u".gif", 256), u"") << "the article's time is spent";
    store.endArticle();
    answer = true;

    EXPECT_EQ(PictureNumber, 1);
    EXPECT_EQ(server.requestCount("/p.gif"), 1U);
    EXPECT_EQ(fe.errorLines,
              (std::vector<std::u16string>{
                  run::errorListLine(u"ディレクトリを作成しました。", state.DataPath + u"pix/", u"", u"KeepPix"),
                  run::errorListLine(u"画像の一部を省きました。", u"http://news.test/1.html",
                                     u"（1 枚（1 記事につき 2 枚、1 秒まで））", u"KeepPix"),
                  run::errorListLine(u"画像の一部を省きました。", u"http://news.test/2.html",
                                     u"（2 枚（1 記事につき 2 枚、1 秒まで））", u"KeepPix")}));
}

} // namespace
} // namespace vz::test
