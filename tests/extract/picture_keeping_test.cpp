#include "extract/picture_keeping.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "extract/extract_harness.h"
#include "platform/curl_downloader.h"
#include "run/text.h"
#include "support/temp_dir.h"
#include "support/test_http_server.h"

namespace vz::test {
namespace {

using text::toUtf8;
using text::u;

TEST(PictureAddress, TakesTheQuotedValueAfterSrc)
{
    struct Case
    {
        const char* tag;
        const char* address;
    };
    const Case cases[] = {
        {"<img src=\"a.gif\"", "a.gif"},
        {"<IMG SRC=\"Pics/A.gif\"", "Pics/A.gif"},
        {"<img src=' b.gif '", "b.gif"},
        {"<img src='a.gif' alt=\"x\"", "a.gif' alt="}, // a double quote later in the tag ends the value
        {"<img src=a.gif width=3", "a.gif"},           // not quoted at all: up to the next blank
        {"<img src = a.gif", "a.gif"},
        {"<img alt=\"x\"", ""},
        {"<img src=\"\"", ""},
        {"<img src", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(toUtf8(extract::pictureAddress(u(c.tag))), c.address) << c.tag;
    }
}

TEST(PictureExtension, IsTheFileNameFromItsFirstDotMadeSafe)
{
    struct Case
    {
        const char* address;
        const char* extension;
    };
    const Case cases[] = {
        {"http://site/p/photo.small.jpg", ".small.jpg"},
        {"img.php?id=3", ".php_id_3"},
        {"x/getimage", "getimage"},
        {"a.g\"i'f<>", ".g_i_f__"},
        {"写真.gif", ".gif"},
        {"x/写真", "__"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(toUtf8(extract::PictureExtension(u(c.address))), c.extension) << c.address;
    }
}

class KeepPixTest : public ::testing::Test
{
protected:
    std::string keep(const char* text, const char* server = "http://site/",
                     const char* article = "http://site/news/1.html")
    {
        return toUtf8(extract::KeepPix(h.ctx, u(text), u(server), u(article), minPix));
    }

    ExtractHarness h;
    std::int32_t minPix = 0;
};

TEST_F(KeepPixTest, DropsPicturesNotLargerThanTheMinimumAndDeletesTheirFiles)
{
    h.downloader.resources = {{"http://site/small.gif", std::string(256, 's')},
                              {"http://site/big.gif", std::string(257, 'b')}};
    EXPECT_EQ(keep("a<img src=\"small.gif\">b<IMG SRC=\"big.gif\" width=10>c"), "ab<img src=\"pix/00000.gif\"> <br>c");
    EXPECT_EQ(minPix, 256);
    EXPECT_EQ(readBytes(h.pix("00000.gif")), std::string(257, 'b'));
    EXPECT_EQ(h.PictureNumber, 1);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(h.dir.path() / "pix"), {}), 1);
}

TEST_F(KeepPixTest, TriesTheServerThenTheArticleFolderThenTheAddressItself)
{
    h.downloader.resources = {{"http://site/news/img/a.gif", std::string(300, 'a')},
                              {"http://pics/c.png", std::string(300, 'c')}};
    EXPECT_EQ(keep("<img src=\"/img/a.gif\">", "http://elsewhere/"), "<img src=\"pix/00000.gif\"> <br>");
    EXPECT_EQ(keep("<img src=\"http://pics/c.png\">"), "<img src=\"pix/00001.png\"> <br>");
    EXPECT_EQ(keep("x<img src=\"gone.gif\">y", "", ""), "xy");
    // An absolute address goes straight to its own try.
    EXPECT_EQ(h.downloader.requested,
              (std::vector<std::string>{"http://elsewhere/img/a.gif", "http://site/news/img/a.gif", "http://pics/c.png",
                                        "gone.gif", "gone.gif", "gone.gif"}));
    EXPECT_EQ(h.PictureNumber, 2);
}

TEST_F(KeepPixTest, NumbersRunOnAcrossArticlesAndPastFiveDigits)
{
    h.downloader.resources = {{"http://site/a.gif", std::string(300, 'a')},
                              {"http://site/img.php?id=3", std::string(300, 'p')}};
    EXPECT_EQ(keep("<img src=\"a.gif\">"), "<img src=\"pix/00000.gif\"> <br>");
    EXPECT_EQ(keep("<img src=\"img.php?id=3\">"), "<img src=\"pix/00001.php_id_3\"> <br>");
    EXPECT_TRUE(std::filesystem::exists(h.pix("00001.php_id_3")));
    h.PictureNumber = 99999;
    EXPECT_EQ(keep("<img src=\"a.gif\"><img src=\"a.gif\">"),
              "<img src=\"pix/99999.gif\"> <br><img src=\"pix/100000.gif\"> <br>");
}

TEST_F(KeepPixTest, ReportsTheFolderOnlyWhenItCreatesIt)
{
    keep("no pictures");
    keep("no pictures");
    ASSERT_EQ(h.fe.errorLines.size(), 1U);
    EXPECT_EQ(toUtf8(h.fe.errorLines[0]),
              "ディレクトリを作成しました。 : " + toUtf8(h.DataPath) + "pix/ : KeepPix\r\n");
    EXPECT_TRUE(std::filesystem::is_directory(h.dir.path() / "pix"));
}

TEST_F(KeepPixTest, CutsTagsAtTheirQuirkyPositionsAndAlwaysEnds)
{
    struct Case
    {
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"<img a>skipped>kept", "kept"}, // the text resumes after the first ">" ten characters on
        {"<img>", ""},
        {"a<img src=\"x.gif\"", "a<img src=\"x.gif\""}, // an unfinished tag stays
        {"<img src=\"\">after", "after"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(keep(c.text), c.expected) << c.text;
    }
    EXPECT_TRUE(h.downloader.requested.empty());
}

TEST(KeepPixOverHttp, KeepsLargeEnoughPicturesNumberedAcrossArticles)
{
    TestHttpServer server;
    server.serve("/pics/small.gif", std::string(256, 's'), "image/gif");
    server.serve("/pics/big.gif", std::string(257, 'b'), "image/gif");
    server.serve("/site/news/rel.gif", std::string(300, 'r'), "image/gif");
    platform::CurlDownloader curl;
    ExtractHarness h;
    extract::ExtractContext ctx{h.reporter, h.fitting, curl, h.DataPath, h.PictureNumber};
    const std::u16string elsewhere = text::fromUtf8(server.url("/elsewhere/"));
    const std::u16string article = text::fromUtf8(server.url("/site/news/1.html"));
    std::int32_t minPix = 0;

    const std::u16string first =
        u("<img src=\"" + server.url("/pics/small.gif") + "\">a<img src=\"" + server.url("/pics/big.gif") + "\">b");
    EXPECT_EQ(toUtf8(extract::KeepPix(ctx, first, elsewhere, article, minPix)), "a<img src=\"pix/00000.gif\"> <br>b");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(h.dir.path() / "pix"), {}), 1);
    EXPECT_EQ(readBytes(h.pix("00000.gif")), std::string(257, 'b'));

    // A relative address the server base does not serve is found through the article's folder.
    EXPECT_EQ(toUtf8(extract::KeepPix(ctx, u"<img src=\"rel.gif\">", elsewhere, article, minPix)),
              "<img src=\"pix/00001.gif\"> <br>");
    EXPECT_EQ(readBytes(h.pix("00001.gif")), std::string(300, 'r'));
    EXPECT_EQ(server.requestCount("/elsewhere/rel.gif"), 1U);
    EXPECT_EQ(h.PictureNumber, 2);
}

} // namespace
} // namespace vz::test
