#include "gather/contents_page.h"

#include <gtest/gtest.h>

#include "fakes/fake_front_end.h"
#include "gather/output_file.h"
#include "platform/cp932.h"
#include "run/text.h"
#include "support/temp_dir.h"

namespace vz::test {
namespace {

class ContentsPageTest : public ::testing::Test
{
protected:
    ContentsPageTest() : reporter(state, fe, fe)
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

    TempDir dir;
    run::RunState state;
    FakeFrontEnd fe;
    run::Reporter reporter;
    run::SiteTable table;
    platform::DateTime now{2026, 12, 7, 6, 30, 5, 1};
};

TEST_F(ContentsPageTest, ListsEverySiteOfTheTableEvenWhenTwoShareAFile)
{
    gather::MakeContents(state, table, reporter, now);
    EXPECT_EQ(readBytes(dir.path() / "261207" / "index.html"),
              platform::encodeCp932(u"<html>\r\n\r\n<br>\r\n2026/12/07\r\n"
                                    u" <hr noshade='noshade'  size=2 ><p></p>\r\n"
                                    u"<a href= \"a.html\">朝刊</a><br><br>\r\n"
                                    u"<a href= \"a.html\">Sports</a><br><br>\r\n"
                                    u" <hr noshade='noshade'  size=2 ><p></p>\r\n</html>\r\n")
                  .bytes);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "index.html")) << "no day list without daily folders";
    ASSERT_EQ(fe.errorLines.size(), 1u);
    EXPECT_EQ(fe.errorLines[0], u"目次ページを作成しました。 : " + state.DataPath + u"index.html : MakeContents\r\n");
}

TEST_F(ContentsPageTest, DailyFoldersAppendTheDayLineOnEveryRun)
{
    state.DailySort = true;
    gather::MakeContents(state, table, reporter, now);
    gather::MakeContents(state, table, reporter, now);
    const std::string line = "<a href= \"261207/index.html\">2026/12/07</a><br><br>\r\n";
    EXPECT_EQ(readBytes(dir.path() / "index.html"), line + line);
    EXPECT_EQ(fe.errorLines.size(), 4u);
}

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
