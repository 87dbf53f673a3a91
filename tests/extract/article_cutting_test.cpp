#include "extract/article_cutting.h"

#include <array>
#include <string>

#include <gtest/gtest.h>

#include "extract/extract_harness.h"
#include "run/text.h"

namespace vz::test {
namespace {

using text::toUtf8;
using text::u;

// Missing markers are reported and give nothing: the end-to-end case missing_markers holds each.
// The cleaning options are shown by the end-to-end cases table_options, remove_all and keep_pix
// and compared with the literal version on generated pages in differential_test.cpp.
TEST(CutNews, CutsBetweenTheMarkersAndCleansInHtmlMode)
{
    ExtractHarness h;
    std::int32_t minPix = 0;
    const std::array<const char*, 6> cases[] = {
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
        {"", "", "", "", "", ""}, // an empty page holds not even an empty marker
    };
    for (const auto& [page, h1, h2, t1, t2, expected] : cases) {
        EXPECT_EQ(toUtf8(extract::CutNews(h.ctx, u(page), u(h1), u(h2), u(t1), u(t2), u"", u"", u"", u"http://site/",
                                          u"http://site/news/1.html", minPix)),
                  expected)
            << page;
    }
    EXPECT_EQ(h.fe.errorLines.size(), 1U);
}

} // namespace
} // namespace vz::test
