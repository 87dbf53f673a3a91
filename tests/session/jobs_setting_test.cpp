#include "session/jobs_setting.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "support/reporting_fixture.h"

namespace vz::test {
namespace {

using session::JobsSetting;

TEST(JobsSetting, TakesAPlainNumberFromOneTo64FromItsFileAndEightOtherwise)
{
    // The file is read with the parser of --jobs, so these are the command line's cases as well.
    const std::pair<const char*, int> cases[] = {
        {nullptr, 8}, {"4\r\n", 4}, {"2\n", 2}, {"64", 64}, {"08", 8}, {"1\r\n9", 1}, {"", 8},         {"0\r\n", 8},
        {"65", 8},    {"-1", 8},    {"+2", 8},  {" 2", 8},  {"2 ", 8}, {"4x", 8},     {"\x82\xa0", 8}, {"999", 8}};
    for (const auto& [content, expected] : cases) {
        TempDir dir;
        if (content) {
            writeBytes(dir.path() / "vodeZeva.jobs", content);
        }
        int jobs = 0;
        JobsSetting setting(jobs);
        setting.load(dir.folder(), std::nullopt);
        EXPECT_EQ(setting.jobs(), expected) << (content ? content : "(no file)");
    }
}

TEST(JobsSetting, APickThatCannotBeWrittenIsReportedAndStillHolds)
{
    // The command line winning and a pick being kept are the main window's test; here, a folder
    // where the file should be: the write fails, is reported, and the pick still holds.
    Reporting r;
    std::filesystem::create_directory(r.dir.path() / "vodeZeva.jobs");
    int jobs = 0;
    JobsSetting setting(jobs);
    setting.load(r.dir.folder(), std::nullopt);
    EXPECT_FALSE(setting.choose(4, r.reporter));
    EXPECT_EQ(setting.jobs(), 4);
    ASSERT_EQ(r.fe.errorLines.size(), 1u);
    EXPECT_NE(r.fe.errorLines[0].find(u"vodeZeva.jobs"), std::u16string::npos);
}

} // namespace
} // namespace vz::test
