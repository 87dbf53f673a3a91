#include "platform/program_folder.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace vz::test {
namespace {

namespace fs = std::filesystem;

// Sets VODEZEVA_HOME for one test and puts the old value back afterwards.
class ProgramFolderHome : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (const char* old = std::getenv("VODEZEVA_HOME")) {
            m_old = old;
        }
    }
    void TearDown() override
    {
        if (m_old) {
            ::setenv("VODEZEVA_HOME", m_old->c_str(), 1);
        } else {
            ::unsetenv("VODEZEVA_HOME");
        }
    }
    static void set(const fs::path& home) { ::setenv("VODEZEVA_HOME", home.c_str(), 1); }

    TempDir dir;

private:
    std::optional<std::string> m_old;
};

TEST_F(ProgramFolderHome, AMissingFolderIsCreatedWithItsParents)
{
    const fs::path home = dir.path() / "not" / "yet";
    set(home);
    const auto found = platform::findProgramFolder();
    ASSERT_TRUE(found.folder) << found.error;
    EXPECT_EQ(*found.folder, home);
    EXPECT_TRUE(fs::is_directory(home));
}

TEST_F(ProgramFolderHome, AFileOrAFileOnTheWayIsRefusedWithTheNameOfTheFolder)
{
    writeBytes(dir.path() / "plain", "x");
    for (const fs::path& home : {dir.path() / "plain", dir.path() / "plain" / "below"}) {
        set(home);
        const auto found = platform::findProgramFolder();
        EXPECT_FALSE(found.folder);
        EXPECT_NE(found.error.find(home.string()), std::string::npos) << found.error;
        EXPECT_NE(found.error.find("VODEZEVA_HOME"), std::string::npos) << found.error;
    }
}

} // namespace
} // namespace vz::test
