#include "extract/picture_keeping.h"

#include <array>
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
    const std::pair<const char*, const char*> cases[] = {
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
    for (const auto& [tag, address] : cases) {
        EXPECT_EQ(toUtf8(extract::pictureAddress(u(tag))), address) << tag;
    }
}

TEST(PictureExtension, IsTheFileNameFromItsFirstDotMadeSafe)
{
    const std::pair<const char*, const char*> cases[] = {{"http://site/p/photo.small.jpg", ".small.jpg"},
                                                         {"img.php?id=3", ".php_id_3"},
                                                         {"x/getimage", "getimage"},
                                                         {"a.g\"i'f<>", ".g_i_f__"},
                                                         {"写真.gif", ".gif"},
                                                         {"x/写真", "__"}};
    for (const auto& [address, extension] : cases) {
        EXPECT_EQ(toUtf8(extract::PictureExtension(u(address))), extension) << address;
    }
}

// The text with its pictures kept, fetched through `h`'s fake downloader.
std::string keep(ExtractHarness& h, const char* text, const char* server = "http://site/",
                 const char* article = "http://site/news/1.html")
{
    std::int32_t minPix = 0;
    return toUtf8(extract::KeepPix(h.ctx, u(text), u(server), u(article), minPix));
}

// Dropping small pictures, numbering across articles and reporting the folder are shown over
// HTTP below and by the end-to-end case keep_pix.
TEST(KeepPix, TriesTheServerThenTheArticleFolderThenTheAddressItself)
{
    ExtractHarness h;
    h.downloader.resources = {{"http://site/news/img/a.gif", std::string(300, 'a')},
                              {"http://pics/c.png", std::string(300, 'c')}};
    EXPECT_EQ(keep(h, "<img src=\"/img/a.gif\">", "http://elsewhere/"), "<img src=\"pix/00000.gif\"> <br>");
    EXPECT_EQ(keep(h, "<img src=\"http://pics/c.png\">"), "<img src=\"pix/00001.png\"> <br>");
    EXPECT_EQ(keep(h, "x<img src=\"gone.gif\">y", "", ""), "xy");
    // An absolute address goes straight to its own try; one that is not http or https (a bare
    // name without a base, a local file, however it is written) is never tried at all.
    h.downloader.resources["file:///etc/passwd"] = std::string(300, 'p');
    for (const char* local : {"<img src=\"file:///etc/passwd\">", "<IMG SRC=\" FILE:///etc/passwd\">"}) {
        EXPECT_EQ(keep(h, local, "", ""), "");
        EXPECT_EQ(keep(h, local, "file:///etc/", "file:///etc/a.html"), "");
    }
    EXPECT_EQ(h.downloader.requested, (std::vector<std::string>{"http://elsewhere/img/a.gif",
                                                                "http://site/news/img/a.gif", "http://pics/c.png"}));
    EXPECT_FALSE(std::filesystem::exists(h.pix("00002passwd")));
    h.PictureNumber = 99999;
    EXPECT_EQ(keep(h, "<img src=\"http://pics/c.png\"><img src=\"http://pics/c.png\">"),
              "<img src=\"pix/99999.png\"> <br><img src=\"pix/100000.png\"> <br>")
        << "numbers run on past five digits";
}

TEST(KeepPix, CutsTagsAtTheirQuirkyPositionsAndAlwaysEnds)
{
    ExtractHarness h;
    const std::pair<const char*, const char*> cases[] = {
        {"<img a>skipped>kept", "kept"}, // the text resumes after the first ">" ten characters on
        {"<img>", ""},
        {"a<img src=\"x.gif\"", "a<img src=\"x.gif\""}, // an unfinished tag stays
        {"<img src=\"\">after", "after"},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(keep(h, text), expected) << text;
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
    EXPECT_EQ(minPix, 256);
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
