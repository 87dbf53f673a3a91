#include "extract/marker_search.h"

#include <gtest/gtest.h>

namespace vz::test {
namespace {

TEST(FindNearMiss, FindsTheMarkerAsAPersonWouldMistypeIt)
{
    const struct
    {
        std::u16string_view page, marker;
        std::size_t from;
        std::optional<std::u16string> found;
    } cases[] = {
        {u"x<DIV Class=\"a\">y", u"<div class=\"a\">", 0, u"<DIV Class=\"a\">"},
        {u"<div\n  class='a' >", u"<div class=\"a\">", 0, u"<div\n  class='a' >"},
        {u"＜ｄｉｖ＞", u"<div>", 0, u"＜ｄｉｖ＞"},
        {u"<div>", u"<div>", 0, std::nullopt},           // the marker itself is no near miss
        {u"<DIV>..<div>..<Div>", u"<div>", 3, u"<Div>"}, // from the start marker on
        {u"<span>", u"<div>", 0, std::nullopt},
        {u"<div>", u" ", 0, std::nullopt},
    };
    for (const auto& c : cases) {
        const auto near = extract::findNearMiss(c.page, c.marker, c.from);
        EXPECT_EQ(near ? std::optional(near->text) : std::nullopt, c.found);
    }
}

} // namespace
} // namespace vz::test
