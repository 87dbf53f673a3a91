#include "platform/file_lock.h"

#include <filesystem>

#include <unistd.h>

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace vz::test {
namespace {

// The lock holds against a second taker, also in the same process, who learns who holds it; once
// released the file is gone and the next taker gets it.
TEST(FileLock, OneHolderAtATimeAndTheOthersLearnWho)
{
    TempDir dir;
    const std::filesystem::path path = dir.path() / "x.lock";
    platform::LockAttempt first = platform::FileLock::take(path, "vodezeva --headless");
    ASSERT_TRUE(first.lock.held()) << first.error;

    const platform::LockAttempt second = platform::FileLock::take(path, "vodezeva");
    EXPECT_FALSE(second.lock.held());
    ASSERT_TRUE(second.holder);
    EXPECT_EQ(second.holder->pid, ::getpid());
    EXPECT_EQ(second.holder->program, "vodezeva --headless");

    platform::FileLock moved = std::move(first.lock);
    EXPECT_FALSE(first.lock.held());
    moved.release();
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(platform::FileLock::take(path, "vodezeva").lock.held());

    const platform::LockAttempt nowhere = platform::FileLock::take(dir.path() / "no" / "x.lock", "vodezeva");
    EXPECT_FALSE(nowhere.lock.held());
    EXPECT_EQ(nowhere.error, "ファイルまたはフォルダがありません（ENOENT）");
}

} // namespace
} // namespace vz::test
