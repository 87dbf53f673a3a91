#include "extract/index_cutting.h"

#include <array>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "extract/extract_harness.h"
#include "run/text.h"

namespace vz::test {
namespace {

using text::toUtf8;
using text::u;
using Strings = std::vector<std::string>;

// A missing marker is reported (the end-to-end case missing_markers holds both reports) and
// leaves the page alone.
TEST(CutHeader, KeepsAllButTheFirstCharacterOfTheStartMarkerAndTheFirstOfTheEndMarker)
{
    ExtractHarness h;
    const std::array<const char*, 4> cases[] = {
        {"xxABCcontent<END>yy", "ABC", "<END>", "BCcontent<\r\n"},
        {"head>list|tail", ">", "|", "list|\r\n"}, // a one-character start marker goes completely
        {"a##b##c", "##", "##", "#b#\r\n"},        // the end marker is first found at the start marker
        {"a##b", "##", "##", "\r\n"},              // ... and when it occurs only there, nothing is left
        {"<ul>ニュース</ul>", "<ul>", "</ul>", "ul>ニュース<\r\n"},
        {"xxabc<END>", "ABC", "<END>", ""},
        {"<END>xxABC", "ABC", "<END>", ""},
        {"", "", "", ""},
    };
    for (const auto& [page, start, end, cut] : cases) {
        std::u16string part = u(page);
        const std::u16string result = extract::CutHeader(h.reporter, part, u(start), u(end));
        EXPECT_EQ(toUtf8(result), cut) << page;
        // The page becomes the cut without its line end, or stays as it was.
        EXPECT_EQ(part, result.empty() ? u(page) : result.substr(0, result.size() - 2)) << page;
    }
    EXPECT_EQ(h.fe.errorLines.size(), 3U);
}

TEST(CutMsg, TakesEachAnchorAsItsSuffixRowSays)
{
    ExtractHarness h;
    const std::pair<const char*, Strings> cases[] = {
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
        // No anchor holding an address: no link.
        {"plain text", {}},
        {"<a href=\"doc.cgi\">Doc</a>", {}},
        {"<a href>x.php", {}},
        {"<a href=\"x.php", {}},
        {"<a href=\"x.asp?id=3", {}},
        {"", {""}}, // an empty link part is reported (as end-to-end case missing_markers shows)
    };
    for (const auto& [part, links] : cases) {
        std::u16string linkPart = u(part);
        std::vector<std::u16string> list;
        EXPECT_EQ(extract::CutMsg(h.reporter, linkPart, list), static_cast<int>(links.size()) - 1) << part;
        Strings found;
        for (std::size_t i = 0; i < links.size(); ++i) {
            found.push_back(toUtf8(list.at(i)));
        }
        EXPECT_EQ(found, links) << part;
    }
    EXPECT_EQ(h.fe.errorLines.size(), 1U);
}

TEST(MergeAddress, JoinsRelativeAddressesToTheBase)
{
    const std::array<const char*, 3> cases[] = {
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
    for (const auto& [base, link, joined] : cases) {
        EXPECT_EQ(toUtf8(extract::MergeAddress(u(base), u(link))), joined) << base << " + " << link;
    }
}

} // namespace
} // namespace vz::test
