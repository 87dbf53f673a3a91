#include "extract/index_cutting.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fakes/fake_front_end.h"
#include "run/reporter.h"
#include "run/text.h"
#include "support/temp_dir.h"

namespace vz::test {
namespace {

using text::toUtf8;
using text::u;

class IndexCutting : public ::testing::Test
{
protected:
    IndexCutting() { state.DataPath = dir.folder(); }

    std::vector<std::string> cut(const char* linkPart, int expectedLast)
    {
        std::u16string part = u(linkPart);
        std::vector<std::u16string> list;
        EXPECT_EQ(extract::CutMsg(reporter, part, list), expectedLast) << linkPart;
        std::vector<std::string> filled;
        for (int i = 0; i <= expectedLast; ++i) {
            filled.push_back(toUtf8(list.at(static_cast<std::size_t>(i))));
        }
        return filled;
    }

    TempDir dir;
    run::RunState state;
    FakeFrontEnd fe;
    run::Reporter reporter{state, fe, fe};
};

TEST_F(IndexCutting, CutHeaderKeepsAllButTheFirstCharacterOfTheStartMarkerAndTheFirstOfTheEndMarker)
{
    struct Case
    {
        const char* page;
        const char* start;
        const char* end;
        const char* cut;
    };
    const Case cases[] = {
        {"xxABCcontent<END>yy", "ABC", "<END>", "BCcontent<\r\n"},
        {"head>list|tail", ">", "|", "list|\r\n"}, // a one-character start marker goes completely
        {"a##b##c", "##", "##", "#b#\r\n"},        // the end marker is first found at the start marker
        {"a##b", "##", "##", "\r\n"},              // ... and when it occurs only there, nothing is left
        {"<ul>ニュース</ul>", "<ul>", "</ul>", "ul>ニュース<\r\n"},
    };
    for (const Case& c : cases) {
        std::u16string page = u(c.page);
        const std::u16string result = extract::CutHeader(reporter, page, u(c.start), u(c.end));
        EXPECT_EQ(toUtf8(result), c.cut) << c.page;
        EXPECT_EQ(page + u"\r\n", result) << c.page;
    }
    EXPECT_TRUE(fe.errorLines.empty());
}

TEST_F(IndexCutting, CutHeaderReportsAMissingMarkerAndLeavesThePageAlone)
{
    struct Case
    {
        const char* page;
        const char* start;
        const char* end;
        const char* line;
    };
    const Case cases[] = {
        {"xxabc<END>", "ABC", "<END>", "インデックスを切り出すための文字列1'ABC'が見つかりません。 :  : CutHeader\r\n"},
        {"<END>xxABC", "ABC", "<END>",
         "インデックスを切り出すための文字列2'<END>'が文字列1'ABC'の後に見つかりません。 :  : CutHeader\r\n"},
        {"", "", "", "インデックスを切り出すための文字列1''が見つかりません。 :  : CutHeader\r\n"},
    };
    for (const Case& c : cases) {
        fe.errorLines.clear();
        std::u16string page = u(c.page);
        EXPECT_EQ(extract::CutHeader(reporter, page, u(c.start), u(c.end)), u"") << c.page;
        EXPECT_EQ(toUtf8(page), c.page);
        ASSERT_EQ(fe.errorLines.size(), 1U);
        EXPECT_EQ(toUtf8(fe.errorLines[0]), c.line);
    }
}

TEST_F(IndexCutting, CutMsgTakesEachAnchorAsItsSuffixRowSays)
{
    struct Case
    {
        const char* part;
        std::vector<std::string> links;
    };
    const std::vector<Case> cases = {
        {"<a href=\"news/1.html\">", {"news/1.html"}},
        {"<a href='x.htm'>", {"x.htm"}},
        {"<a href=\"list.php?id=3\">", {"list.php?id=3"}},
        {"<a href=\"x.asp?id=3\">", {"x.asp?id=3"}},
        {"<a href=\"x.asp\">", {"x.asp"}},
        {"<a href=news/1.html#top>", {"news/1.html"}},
        {"<A HREF=\"X.HTML\">", {"X.HTML"}},
        {"<a href=\"s/1.shtml\">", {"s/1.shtml"}},
        {"<a href=x.asp?id=3>", {"x.asp?id="}}, // unquoted: the character before ">" is left out
        {"<a href=\"x.html\" target=\"_top\">", {"x.html"}},
        {"<a href=\"x.php\" target=\"_top\">", {"x.php\" target=\"_top"}},
        // Without a suffix of its own an anchor counts when one stands anywhere after it.
        {"<a href=\"doc.cgi\">Document</a> <a href=\"y.php\">", {"doc.cgi", "y.php"}},
        // The eight characters after ">" are skipped, cutting the second anchor apart.
        {"<a href=\"1.php\">A</a><a href=\"2.php\">B</a>", {"1.php"}},
        // Rows 1 and 2 resume after the first suffix of the whole part, so the anchor comes again,
        // also beyond the room the list was made with.
        {"see page.html <a href=\"x.html\">", {"x.html", "x.html"}},
        {"a.html b.html <a href=\"x.html\">", {"x.html", "x.html", "x.html"}},
        {"<a href=\"a.shtml", {"a.shtml"}}, // an unclosed anchor ends the part
        {"<a href=>x.php", {""}},           // a ">" right after "=" gives an empty address
    };
    for (const Case& c : cases) {
        EXPECT_EQ(cut(c.part, static_cast<int>(c.links.size()) - 1), c.links) << c.part;
    }
    EXPECT_TRUE(fe.errorLines.empty());
}

TEST_F(IndexCutting, CutMsgFindsNoLinkWhereNoAnchorHoldsAnAddress)
{
    for (const char* part :
         {"plain text", "<a href=\"doc.cgi\">Doc</a>", "<a href>x.php", "<a href=\"x.php", "<a href=\"x.asp?id=3"}) {
        EXPECT_TRUE(cut(part, -1).empty());
    }
    EXPECT_TRUE(fe.errorLines.empty());
}

TEST_F(IndexCutting, CutMsgReportsAnEmptyLinkPartAndLeavesOneEmptyEntry)
{
    std::u16string part;
    std::vector<std::u16string> list{u"old"};
    EXPECT_EQ(extract::CutMsg(reporter, part, list), 0);
    EXPECT_EQ(list, std::vector<std::u16string>{u""});
    ASSERT_EQ(fe.errorLines.size(), 1U);
    EXPECT_EQ(toUtf8(fe.errorLines[0]),
              "Filter str for Indexに誤りがあります。アドレスが切り出せません。  :  : CutMsg\r\n");
}

TEST(MergeAddress, JoinsRelativeAddressesToTheBase)
{
    struct Case
    {
        const char* base;
        const char* link;
        const char* joined;
    };
    const Case cases[] = {
        {"site/news/", "/a/b.html", "site/news/a/b.html"},
        {"site/news/today/", "../x.html", "site/news/x.html"},
        {"site/news", "x.html", "site/news/x.html"},
        {"site/n/", "a/../b.html", "site/b.html"},
        {"site/n/", "./x.html?a=1", "site/n/./x.html?a=1"},
        {"  ", " x.html ", "x.html"},
        {" http://host/news ", " x.html ", "http://host/news/x.html"},
        // Never above the server root.
        {"http://host/news/", "../../../x.html", "http://host/x.html"},
        {"http://host", "../x.html", "http://host/x.html"},
        {"site/", "../../x.html", "site/x.html"},
        {"site//", "../x.html", "site/x.html"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(toUtf8(extract::MergeAddress(u(c.base), u(c.link))), c.joined) << c.base << " + " << c.link;
    }
}

} // namespace
} // namespace vz::test
