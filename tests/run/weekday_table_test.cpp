#include "run/weekday_table.h"

#include <gtest/gtest.h>

#include "run/text.h"
#include "support/reporting_fixture.h"

namespace vz::test {
namespace {

// 2026-12-07 00:00:00 UTC is a Monday.
constexpr long long kMonday = 1796601600;

class WeekdayTableTest : public ::testing::Test, public Reporting
{
protected:
    std::u16string readDefOn(long long epoch)
    {
        const FakeClock clock(platform::fromEpochUtc(epoch));
        const auto result = run::readDef(state, reporter, fe, fe, clock);
        EXPECT_TRUE(result.ok) << text::toUtf8(result.error);
        return state.CurrentIniPath;
    }
};

TEST_F(WeekdayTableTest, EachDayOfTheWeekReadsItsOwnLine)
{
    run::WeekdayTable table;
    for (int day = 0; day < 7; ++day) {
        table[static_cast<std::size_t>(day)] = u"/sites/day" + text::number(day + 1) + u".ini";
    }
    writeBytes(dir.path() / "vodeZeva.def", text::toUtf8(run::weekdayTableText(table)));
    const char* expected[] = {"day1", "day2", "day3", "day4", "day5", "day6", "day7"};
    for (int offset = 0; offset < 7; ++offset) {
        EXPECT_EQ(readDefOn(kMonday + offset * 86400LL + 3600), u"/sites/" + text::u(expected[offset]) + u".ini")
            << "day offset " << offset;
    }
    EXPECT_GE(fe.yields, 7);
}

TEST_F(WeekdayTableTest, MissingDaysFallBackToTheLastLineAndAnEmptyPathMeansNoGathering)
{
    writeBytes(dir.path() / "vodeZeva.def", "1\t/a.ini\r\n2\t/b.ini\r\n3\t\r\n4\t/d.ini\r\n5\t/e.ini\r\n");
    EXPECT_EQ(readDefOn(kMonday + 5 * 86400LL), u"/e.ini"); // Saturday
    EXPECT_EQ(readDefOn(kMonday + 6 * 86400LL), u"/e.ini"); // Sunday
    EXPECT_EQ(readDefOn(kMonday + 2 * 86400LL), u"");       // Wednesday
}

TEST_F(WeekdayTableTest, OnlyADayLineNamesAPathAndARelativeOneLiesInTheProgramFolder)
{
    const std::pair<std::string, std::u16string> cases[] = {
        {"1\t/a.ini\r\nsecond garbage\r\n", u""}, // no line for Tuesday, and the last is no entry
        {std::string("\x93\xfa\x00\xff\r\n\x01\tx", 9), u""},
        {"2\r\n", u""},
        {"2\t\r\n", u""},
        {"2\tsites/b.ini\r\n", dir.folder() + u"sites/b.ini"},
        {"2\t/sites/b.ini\r\n", u"/sites/b.ini"},
    };
    for (const auto& [table, expected] : cases) {
        writeBytes(dir.path() / "vodeZeva.def", table);
        EXPECT_EQ(readDefOn(kMonday + 86400), expected) << table;
    }
}

TEST_F(WeekdayTableTest, AMissingTableIsCreatedWithDefaultsAndReportedOnce)
{
    EXPECT_EQ(readDefOn(kMonday), dir.folder() + u"vodeZeva.ini");
    std::string expected;
    for (int day = 1; day <= 7; ++day) {
        expected += std::to_string(day) + "\t" + text::toUtf8(dir.folder()) + "vodeZeva.ini\r\n";
    }
    EXPECT_EQ(readBytes(dir.path() / "vodeZeva.def"), expected);
    ASSERT_EQ(fe.infos.size(), 1u);
    EXPECT_EQ(fe.infos[0], u"vodeZeva.defが存在しませんでしたので標準値で作成しました。 ");

    EXPECT_EQ(readDefOn(kMonday + 86400), dir.folder() + u"vodeZeva.ini");
    EXPECT_EQ(fe.infos.size(), 1u) << "the second start finds the table";
}

TEST_F(WeekdayTableTest, AnEmptyTableFailsTheRead)
{
    writeBytes(dir.path() / "vodeZeva.def", "");
    FakeClock clock;
    EXPECT_FALSE(run::readDef(state, reporter, fe, fe, clock).ok);
}

} // namespace
} // namespace vz::test
