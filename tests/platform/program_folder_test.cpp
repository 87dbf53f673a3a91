#include "platform/program_folder.h"

#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace vz::test {
namespace {

namespace fs = std::filesystem;

TEST(ProgramFolder, AMissingHomeIsCreatedAndOneBlockedByAFileIsRefusedByName)
{
    TempDir dir;
    writeBytes(dir.path() / "plain", "x");
    const char* old = std::getenv("VODEZEVA_HOME");
    const std::string kept = old ? old : "";
    const auto find = [](const fs::path& home) {
        ::setenv("VODEZEVA_HOME", home.c_str(), 1);
        return platform::findProgramFolder();
    };

    const fs::path missing = dir.path() / "not" / "yet";
    const auto created = find(missing);
    EXPECT_EQ(created.folder, missing) << created.error;
    EXPECT_TRUE(fs::is_directory(missing));
    for (const fs::path& blocked : {dir.path() / "plain", dir.path() / "plain" / "below"}) {
        const auto refused = find(blocked);
        EXPECT_FALSE(refused.folder);
        EXPECT_NE(refused.error.find(blocked.string() + "（VODEZEVA_HOME）"), std::string::npos) << refused.error;
    }
    old ? ::setenv("VODEZEVA_HOME", kept.c_str(), 1) : ::unsetenv("VODEZEVA_HOME");
}

} // namespace
} // namespace vz::test
