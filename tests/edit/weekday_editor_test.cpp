#include "edit/weekday_editor.h"

#include <gtest/gtest.h>

#include "run/text.h"
#include "support/reporting_fixture.h"

namespace vz::test {
namespace {

class WeekdayEditorTest : public ::testing::Test, public Reporting
{
protected:
    std::filesystem::path def() const { return dir.path() / "vodeZeva.def"; }
    std::vector<std::u16string> rows() const { return {editor.rows().begin(), editor.rows().end()}; }

    edit::WeekdayEditor editor{state, reporter};
};

TEST_F(WeekdayEditorTest, RowsFollowTheKeysAndCancelWritesSevenLinesInKeyOrder)
{
    writeBytes(def(),
               "7\t/sun.ini\r\n1\t/mon.ini\r\n2\t/old.ini\r\n2\t/tue.ini\r\n3\r\n4\t/thu.ini\n5\t\r\n6\t/sat\t.ini");
    editor.load();
    const std::vector<std::u16string> expected{u"/mon.ini", u"/tue.ini",   u"3",       u"/thu.ini",
                                               u"",         u"/sat\t.ini", u"/sun.ini"};
    EXPECT_EQ(rows(), expected);
    EXPECT_TRUE(fe.errorLines.empty());

    editor.setRow(1, u"/changed.ini");
    ASSERT_TRUE(editor.cancel());
    EXPECT_EQ(readBytes(def()),
              "1\t/mon.ini\r\n2\t/tue.ini\r\n3\t3\r\n4\t/thu.ini\r\n5\t\r\n6\t/sat\t.ini\r\n7\t/sun.ini\r\n");
}

TEST_F(WeekdayEditorTest, ADamagedOrMissingTableIsReportedAndWhatCouldBeReadIsShown)
{
    struct Case
    {
        const char* name;
        std::optional<std::string> bytes;
        std::u16string monday;
    };
    const Case cases[] = {
        {"missing", std::nullopt, u""},
        {"empty", "", u""},
        {"binary", std::string("\x00\x89PNG\r\n\x1a\xff\xfe", 10), u""},
        {"a line without a weekday digit", "1\t/mon.ini\r\n8\t/x.ini\r\n", u"/mon.ini"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(def());
        if (c.bytes) {
            writeBytes(def(), *c.bytes);
        }
        fe.errorLines.clear();
        editor.load();
        EXPECT_EQ(editor.row(1), c.monday) << c.name;
        EXPECT_EQ(fe.errorLines.size(), 1u) << c.name;
    }
    EXPECT_NE(fe.errorLines[0].find(u"2行目"), std::u16string::npos);
}

TEST_F(WeekdayEditorTest, SaveDeclinedWritesNothingAndARefreshKeepsRowsTheFileNamesNoLineFor)
{
    writeBytes(def(), "1\t/a.ini\r\n2\t/b.ini\r\n");
    editor.load();
    editor.setRow(2, u"");
    editor.setRow(5, u"/typed.ini");
    EXPECT_FALSE(editor.save(fe));
    EXPECT_EQ(readBytes(def()), "1\t/a.ini\r\n2\t/b.ini\r\n");
    EXPECT_EQ(fe.questions, std::vector<std::u16string>{u"変更を保存してもいいですか?"});

    writeBytes(def(), "2\t/c.ini\r\n");
    editor.LoadDef();
    EXPECT_EQ(rows(), (std::vector<std::u16string>{u"/a.ini", u"/c.ini", u"", u"", u"/typed.ini", u"", u""}));
}

} // namespace
} // namespace vz::test
