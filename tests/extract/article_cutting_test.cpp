#include "extract/article_cutting.h"

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "extract/extract_harness.h"
#include "run/text.h"

namespace vz::test {
namespace {

using text::toUtf8;
using text::u;

class CutNewsTest : public ::testing::Test
{
protected:
    std::string cut(const std::string& page, const char* h1, const char* h2, const char* t1, const char* t2,
                    const char* tagOption = "", const char* tableOption = "", const char* pixOption = "")
    {
        return toUtf8(extract::CutNews(h.ctx, u(page), u(h1), u(h2), u(t1), u(t2), u(tagOption), u(tableOption),
                                       u(pixOption), u"http://site/", u"http://site/news/1.html", minPix));
    }

    ExtractHarness h;
    std::int32_t minPix = 0;
};

TEST_F(CutNewsTest, ReportsTheFirstMissingMarkerAndReturnsNothing)
{
    struct Case
    {
        const char* h1;
        const char* h2;
        const char* t1;
        const char* t2;
        const char* message;
    };
    const Case cases[] = {
        {"<H1>", "</h1>", "<div>", "</div>", "見出しを切り出すための文字列1'<H1>'が見つかりません。"},
        {"<h1>", "</h2>", "<div>", "</div>",
         "見出しを切り出すための文字列2'</h2>'が文字列1'<h1>'の後に見つかりません。"},
        {"<h1>", "</h1>", "<p>", "</div>", "記事を切り出すための文字列1'<p>'が見つかりません。"},
        {"<h1>", "</h1>", "<div>", "<h1>", "記事を切り出すための文字列2'<h1>'が文字列1'<div>'の後に見つかりません。"},
    };
    for (const Case& c : cases) {
        h.fe.errorLines.clear();
        EXPECT_EQ(cut("<h1>T</h1><div>body</div>", c.h1, c.h2, c.t1, c.t2), "");
        ASSERT_EQ(h.fe.errorLines.size(), 1U);
        EXPECT_EQ(toUtf8(h.fe.errorLines[0]), std::string(c.message) + " :  : CutNews\r\n");
    }
    // An empty page holds not even an empty marker.
    h.fe.errorLines.clear();
    EXPECT_EQ(cut("", "", "", "", ""), "");
    EXPECT_EQ(toUtf8(h.fe.errorLines.at(0)), "見出しを切り出すための文字列1''が見つかりません。 :  : CutNews\r\n");
}

TEST_F(CutNewsTest, CutsBetweenTheMarkersAndCleansInHtmlMode)
{
    struct Case
    {
        const char* page;
        const char* h1;
        const char* h2;
        const char* t1;
        const char* t2;
        const char* expected;
    };
    const Case cases[] = {
        {"<h1>Big <b>news</b></h1><div class=t> Hello <a href=x>world</a><img src=\"p.gif\"><SCRIPT>x()</script>"
         "<!-- end --></div>",
         "<h1>", "</h1>", "<div class=t", "</div>", "<p><h4>Big news</h4></p> Hello world"},
        {"x<div>b</div>", "", "", "<div>", "</div>", "<p><h4></h4></p>b"},
        // An end marker first found inside the start marker: the next one after it ends the cut.
        {"<h1>Title>rest<div>b</div>", "<h1>", ">", "<div>", "</div>", "<p><h4>Title</h4></p>b"},
        {"<h1>T</h1><div>ab<!--x--></div>", "<h1>", "</h1>", "<div>", "</div>", "<p><h4>T</h4></p>ab"},
        {"<h1>T</h1><div><!--k-->123456789012345678901234</div>", "<h1>", "</h1>", "<div>", "</div>",
         "<p><h4>T</h4></p><!--k-->123456789012345678901234"},
        {"<h1>T</h1><div>a>cd</div>", "<h1>", "</h1>", "<div>", "</div>", "<p><h4>T</h4></p>cd"},
        {"<h1>T</h1><div>ab>cd</div>", "<h1>", "</h1>", "<div>", "</div>", "<p><h4>T</h4></p>ab>cd"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(cut(c.page, c.h1, c.h2, c.t1, c.t2), c.expected) << c.page;
    }
    EXPECT_TRUE(h.fe.errorLines.empty());
}

TEST_F(CutNewsTest, OptionsChooseTheCleaningSteps)
{
    h.downloader.resources["http://site/p.gif"] = std::string(300, 'p');
    const std::string page = "<h1>H</h1><div><p>One<br>Two</p><TABLE><tr><td>c1</td><td><img src=\"p.gif\">c2</td>"
                             "</tr></table>end</div>";
    struct Case
    {
        const char* tagOption;
        const char* tableOption;
        const char* pixOption;
        const char* expected;
    };
    const Case cases[] = {
        {"", "", "", "<p><h4>H</h4></p><p>One<br>Two</p><TABLE><tr><td>c1</td><td>c2</td></tr></table>end"},
        {"RemoveTable", "RemoveAll", "keeppix",
         "<p><h4>H</h4></p><p>One<br>Two</p><TABLE><tr><td>c1</td><td>c2</td></tr></table>end"},
        {"", "RemoveTable", "", "<p><h4>H</h4></p><p>One<br>Two</p>end"},
        {"", "RemoveTableTag", "", "<p><h4>H</h4></p><p>One<br>Two</p>c1<br>c2<br>&nbsp;<br>end"},
        {"RemoveAll", "", "", "H\n\rOne\n\rTwo\n\rc1c2end"},
        // The picture is still fetched, then goes with its table, or loses its tag in plain text.
        {"", "RemoveTable", "KeepPix", "<p><h4>H</h4></p><p>One<br>Two</p>end"},
        {"RemoveAll", "", "KeepPix", "H\n\rOne\n\rTwo\n\rc1 \n\rc2end"},
        {"", "", "KeepPix",
         "<p><h4>H</h4></p><p>One<br>Two</p><TABLE><tr><td>c1</td><td><img src=\"pix/00002.gif\"> <br>c2</td></tr>"
         "</table>end"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(cut(page, "<h1>", "</h1>", "<div>", "</div>", c.tagOption, c.tableOption, c.pixOption), c.expected)
            << c.tagOption << "/" << c.tableOption << "/" << c.pixOption;
    }
    EXPECT_EQ(h.PictureNumber, 3);
    EXPECT_EQ(minPix, 256);
    EXPECT_TRUE(std::filesystem::exists(h.pix("00000.gif")));
}

} // namespace
} // namespace vz::test
