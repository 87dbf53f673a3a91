#include "gather/output_file.h"

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "platform/cp932.h"
#include "support/temp_dir.h"

namespace vz::test {
namespace {

// A page written a piece at a time through the page's buffer holds the bytes of the whole text,
// also where a character falls on the buffer's end; until commit() the old page stays.
TEST(PageFile, WritesThePiecesAsTheWholeTextEncodesAndReplacesThePageOnlyWhenCommitted)
{
    TempDir dir;
    const std::u16string path = dir.folder() + u"site.html";
    writeBytes(dir.path() / "site.html", "old");
    // References of 8 to 10 bytes, double-byte characters, and a lone surrogate, in an odd cycle.
    const std::u16string piece = u"a\U0001F600漢字\U0010FFFF\xD800xyz&";
    std::u16string whole;
    {
        gather::PageFile page(path);
        for (int i = 0; i < 9000; ++i) {
            page.append({piece, u"\r\n"});
            whole += piece + u"\r\n";
        }
        EXPECT_EQ(readBytes(dir.path() / "site.html"), "old");
        page.commit();
    }
    EXPECT_TRUE(readBytes(dir.path() / "site.html") == platform::encodeCp932(whole).bytes);
    {
        gather::PageFile dropped(path);
        dropped.append({u"new"});
    }
    EXPECT_TRUE(readBytes(dir.path() / "site.html") == platform::encodeCp932(whole).bytes);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

} // namespace
} // namespace vz::test
