#include "edit/day_assignment.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "editor_fixture.h"

namespace vz::test {
namespace {

using Outcome = platform::FileDialogResult::Outcome;

class DayAssignmentTest : public EditorTest
{
protected:
    /// a.ini is edited; Monday and Tuesday use it, Wednesday b.ini, Thursday to Sunday nothing.
    void SetUp() override
    {
        writeDays({path("a.ini"), path("a.ini"), path("b.ini"), u"", u"", u"", u""});
        writeFile("a.ini", kSettings + u"\r\nOld\thttp://a/\r\n");
        editor.requestOpen(path("a.ini"), false);
        editor.LoadDef = [this] { ++reloads; };
        editor.setSiteName(0, u"New");
    }
    int reloads = 0;
};

TEST_F(DayAssignmentTest, TheBoxesShowWhichDaysUseTheFile)
{
    EXPECT_FALSE(editor.days.chkChgIni);
    EXPECT_EQ(editor.days.chkDay, (std::array<bool, 7>{true, true, false, false, false, false, false}));

    writeDays(
        {path("b.ini"), path("b.ini"), path("b.ini"), path("b.ini"), path("b.ini"), path("b.ini"), path("b.ini")});
    ASSERT_TRUE(editor.days.ReadDayAssignment());
    EXPECT_TRUE(editor.days.chkChgIni) << "all seven name one file, whichever it is";
    EXPECT_EQ(editor.days.chkDay, (std::array<bool, 7>{}));
    fe.answers = {true};
    ASSERT_TRUE(editor.OK());
    EXPECT_EQ(std::ranges::count(daysOnDisk(), path("a.ini")), 7);

    state.IniChosenByHand = true;
    ASSERT_TRUE(editor.days.ReadDayAssignment());
    EXPECT_FALSE(editor.days.chkChgIni);
}

TEST_F(DayAssignmentTest, ReleasedDaysAreNamedAndACopyOfTheUneditedFileTakesEveryDayWithoutAFile)
{
    struct Case
    {
        bool copy; ///< the answer to the question offering a copy
        platform::FileDialogResult dialog;
        run::WeekdayTable written; ///< the weekday table afterwards
        std::size_t alerts, errorLines;
        int reloads; ///< LoadDef calls
    };
    const auto a = path("a.ini"), b = path("b.ini"), old = path("old.ini"), none = std::u16string();
    const Case cases[] = {
        {true, {Outcome::Chosen, old, u""}, {a, a, b, old, old, old, old}, 0, 0, 0},
        // A copy that could not be written names no day.
        {true, {Outcome::Chosen, path("missing/old.ini"), u""}, {a, a, b, none, none, none, none}, 0, 1, 1},
        {false, {}, {a, a, b, none, none, none, none}, 1, 0, 0},
        {true, {Outcome::Cancelled, u"", u""}, {a, a, b, none, none, none, none}, 1, 0, 1},
        {true, {Outcome::Failed, u"", u"no dialog"}, {none, none, b, none, none, a, a}, 0, 1, 1},
    };
    for (const auto& c : cases) {
        writeDays({none, none, b, none, none, a, a});
        ASSERT_TRUE(editor.days.ReadDayAssignment());
        editor.days.chkDay = {true, true, false, false, false, false, false};
        reloads = 0;
        fe = {};
        dialogs.results = {c.dialog};
        fe.answers = {true, c.copy};
        ASSERT_TRUE(editor.OK());
        EXPECT_TRUE(fe.questions.back().starts_with(u"土曜日 日曜日に割り当てられている"));
        EXPECT_EQ(daysOnDisk(), c.written);
        EXPECT_EQ(reloads, c.reloads);
        ASSERT_EQ(fe.alerts.size(), c.alerts);
        if (c.alerts) {
            EXPECT_NE(fe.alerts[0].find(u"土曜日 日曜日にはダウンロードしません"), std::u16string::npos);
        }
        EXPECT_EQ(fe.errorLines.size(), c.errorLines);
        EXPECT_NE(readFile("a.ini").find(u"New"), std::u16string::npos);
        editor.requestOpen(a, false);
    }
    EXPECT_EQ(readFile("old.ini"), kSettings + u"\r\nOld\thttp://a/\r\n") << "the copy is of the file as loaded";
}

TEST_F(DayAssignmentTest, SaveAsMovesTheCheckedDaysToTheNewFileAndLeavesTheLoadedOneAlone)
{
    editor.days.chkDay = {false, false, true, false, false, false, false};
    editor.fFromDef = true;
    dialogs.results = {{Outcome::Chosen, path("new.ini"), u""}};
    fe.answers = {true};
    ASSERT_TRUE(editor.saveAs());
    EXPECT_EQ(fe.questions.at(0), u"変更を" + path("new.ini") + u"に保存してもいいですか?");
    EXPECT_EQ(daysOnDisk(), (run::WeekdayTable{path("a.ini"), path("a.ini"), path("new.ini"), u"", u"", u"", u""}));
    EXPECT_EQ(readFile("a.ini"), kSettings + u"\r\nOld\thttp://a/\r\n");
    EXPECT_NE(readFile("new.ini").find(u"New"), std::u16string::npos);
    EXPECT_EQ(reloads, 1) << "opened from the weekday table editor, which shows the new assignment";
}

} // namespace
} // namespace vz::test
