#include "extract/index_cutting.h"

#include <array>
#include <string>

#include <gtest/gtest.h>

#include "extract/extract_harness.h"
#include "run/text.h"

namespace vz::test {
namespace {

using text::toUtf8;
using text::u;

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
