#include "platform/zip_archive.h"

#include <cstdlib>
#include <ctime>

#include <gtest/gtest.h>

#include "support/zip_reader.h"

namespace vz::test {
namespace {

TEST(ZipArchive, KeepsTheOrderAndStorageOfItsFilesAndComesOutTheSameInAnyTimeZone)
{
    const std::vector<platform::ZipEntry> entries = {
        {"mimetype", "application/epub+zip", true},
        {"EPUB/a.xhtml", std::string(5000, 'a'), false},
        {"EPUB/pix/00000.gif", "GIF89a", true},
    };
    std::string error;
    const auto made = [&](const char* zone) {
        ::setenv("TZ", zone, 1);
        ::tzset();
        return platform::zipArchive(entries, 1765000000, error);
    };
    const auto utc = made("UTC");
    const auto tokyo = made("Asia/Tokyo");
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    ASSERT_TRUE(utc && tokyo) << error;
    EXPECT_EQ(*utc, *tokyo);
    EXPECT_EQ(utc->substr(30, 8), "mimetype") << "the first file's name right after its local header";

    const auto files = readZip(*utc);
    ASSERT_TRUE(files);
    ASSERT_EQ(files->size(), 3u);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ((*files)[i].name, entries[i].name);
        EXPECT_EQ((*files)[i].bytes, entries[i].bytes);
        EXPECT_EQ((*files)[i].stored, entries[i].stored);
    }
    EXPECT_LT(utc->size(), 1000u) << "the text is compressed";
}

} // namespace
} // namespace vz::test
