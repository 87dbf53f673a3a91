#include "extract/picture_keeping.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "extract/extract_harness.h"
#include "run/text.h"

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

// Fetching, dropping small pictures, numbering across articles and reporting the folder are the
// run's (picture_store_test) and shown by the end-to-end case keep_pix.
TEST(KeepPix, TriesTheServerThenTheArticleFolderThenTheAddressItself)
{
    ExtractHarness h;
    h.pictures.resources = {{"http://site/news/img/a.gif", std::string(300, 'a')},
                            {"http://pics/c.png", std::string(300, 'c')}};
    EXPECT_EQ(keep(h, "<img src=\"/img/a.gif\">", "http://elsewhere/"), "<img src=\"pix/00000.gif\"> <br>");
    EXPECT_EQ(keep(h, "<img src=\"http://pics/c.png\">"), "<img src=\"pix/00001.png\"> <br>");
    EXPECT_EQ(keep(h, "x<img src=\"gone.gif\">y", "", ""), "xy");
    // An absolute address goes straight to its own try.
    EXPECT_EQ(h.pictures.requested,
              (std::vector<std::string>{"http://elsewhere/img/a.gif", "http://site/news/img/a.gif", "http://pics/c.png",
                                        "gone.gif", "gone.gif", "gone.gif"}));
    h.pictures.PictureNumber = 99999;
    EXPECT_EQ(keep(h, "<img src=\"http://pics/c.png\"><img src=\"http://pics/c.png\">"),
              "<img src=\"pix/99999.png\"> <br><img src=\"pix/100000.png\"> <br>")
        << "numbers run on past five digits";
}

} // namespace
} // namespace vz::test
