#include "gather/contents_page.h"

#include <gtest/gtest.h>

#include "gather/output_file.h"
#include "platform/cp932.h"
#include "run/text.h"
#include "support/reporting_fixture.h"

namespace vz::test {
namespace {

class ContentsPageTest : public ::testing::Test, public Reporting
{
protected:
    ContentsPageTest()
    {
        state.DataPath = dir.folder() + u"261207/";
        std::filesystem::create_directories(dir.path() / "261207");
        table.rows.resize(4);
        table.rows[0].IndexName = u"朝刊";
        table.rows[0].FileName = u"a.html";
        table.rows[2].IndexName = u"Sports";
        table.rows[2].FileName = u"a.html";
        state.SiteCount = 3;
    }

    run::SiteTable table;
    platform::DateTime now{2026, 12, 7, 6, 30, 5, 1};
};

TEST_F(ContentsPageTest, TopicFilesAreNumberedWithFiveDigitsOrMore)
{
    gather::WriteTopicFile(state, u"<B>見出し</B><br>本文", 7);
    EXPECT_EQ(readBytes(dir.path() / "261207" / "00007.html"),
              platform::encodeCp932(u"<html>\r\n<B>見出し</B><br>本文\r\n</html>\r\n").bytes);
    EXPECT_EQ(gather::topicFileName(123456), u"123456.html");
}

TEST_F(ContentsPageTest, AnUnwritableFolderEndsWithAnOutputError)
{
    state.DataPath = dir.folder() + u"missing/";
    EXPECT_THROW(gather::MakeContents(state, table, reporter, now), gather::OutputError);
}

} // namespace
} // namespace vz::test
