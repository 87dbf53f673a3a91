#include "gather/picture_store.h"

#include <filesystem>
#include <string>

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
using text::toUtf8;

TEST(PictureStore, KeepsLargeEnoughPicturesFromTheFirstAddressThatAnswersNumberedOn)
{
    TestHttpServer server;
    server.serve("/pics/small.gif", std::string(256, 's'), "image/gif");
    server.serve("/pics/big.gif", std::string(257, 'b'), "image/gif");
    server.serve("/site/news/rel.gif", std::string(300, 'r'), "image/gif");
    TempDir dir;
    run::RunState state;
    state.DataPath = dir.folder();
    FakeFrontEnd fe;
    run::Reporter reporter(state, fe, fe);
    platform::ConcurrentFetcher transfers;
    gather::LookAhead ahead(transfers, 8, 1 << 20, nullptr);
    gather::PageFetcher fetcher(reporter, ahead, fe);
    std::int32_t PictureNumber = 7;
    gather::PictureStore store(reporter, state.DataPath, PictureNumber, fetcher);
    const auto pix = dir.path() / "pix";

    store.prepare();
    store.prepare();
    EXPECT_EQ(fe.errorLines, std::vector<std::u16string>{run::errorListLine(u"ディレクトリを作成しました。",
                                                                            state.DataPath + u"pix/", u"", u"KeepPix")})
        << "the folder's creation is reported once";

    const auto address = [&](const char* path) { return fromUtf8(server.url(path)); };
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

} // namespace
} // namespace vz::test
