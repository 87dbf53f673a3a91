#include "extract/picture_keeping.h"

#include <array>
#include <filesystem>
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

// Dropping small pictures, numbering across articles, finding a relative address through the
// article's folder and reporting the folder are shown by the end-to-end case keep_pix.
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

} // namespace
} // namespace vz::test
