#include "extract/in_place_writer.h"

#include <random>
#include <string>

#include <gtest/gtest.h>

namespace vz::test {
namespace {

// Random edits, growing and shrinking, against a copy built apart: the output must never
// overwrite text still to be read, however far the writing runs ahead.
TEST(InPlaceWriter, GivesWhatACopyBuiltApartGives)
{
    std::mt19937 rng(3);
    for (int n = 0; n < 2000; ++n) {
        std::u16string text;
        for (std::size_t i = rng() % 60; i > 0; --i) {
            text += static_cast<char16_t>(u'a' + rng() % 26);
        }
        const std::u16string original = text;
        std::u16string expected;
        std::size_t read = 0;
        extract::InPlaceWriter out(text);
        for (int step = 0; step < 30; ++step) {
            const std::size_t count = rng() % 6;
            const std::size_t left = original.size() - read;
            switch (rng() % 5) {
            case 0:
                out.keep(count);
                expected += original.substr(read, count);
                read += std::min(count, left);
                break;
            case 1:
                out.skip(count);
                read += std::min(count, left);
                break;
            case 2:
                out.put(std::u16string(count, u'X'));
                expected += std::u16string(count, u'X');
                break;
            case 3:
                if (!expected.empty()) {
                    out.popBack();
                    expected.pop_back();
                }
                break;
            default: {
                const std::size_t back = std::min(count, expected.size());
                ASSERT_EQ(out.takeBack(back), expected.substr(expected.size() - back));
                expected.resize(expected.size() - back);
                out.put(u'Y');
                expected += u'Y';
            }
            }
            ASSERT_EQ(out.unread(), std::u16string_view(original).substr(read));
            ASSERT_EQ(out.size(), expected.size());
            if (!expected.empty()) {
                ASSERT_EQ(out.back(), expected.back());
            }
        }
        out.finish();
        ASSERT_EQ(text, expected + original.substr(read));
    }
}

} // namespace
} // namespace vz::test
