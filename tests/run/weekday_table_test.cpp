#include "run/weekday_table.h"

#include <gtest/gtest.h>

#include "run/text.h"
#include "support/reporting_fixture.h"

namespace vz::test {
namespace {

// 2026-12-07 00:00:00 UTC is a Monday.
constexpr long long kMonday = 1796601600;

class WeekdayTableTest : public ReportingTest
{
protected:
    std::u16string readDefOn(long long epoch)
    {
        const FakeClock clock(platform::fromEpochUtc(epoch));
        const auto result = run::readDef(state, reporter, fe, fe, clock);
        return result.ok ? state.CurrentIniPath : u"failed: " + result.error;
    }
};

// Days after the last line take the last one; an empty path means no gathering that day. Only a
// day line names a path, and a relative one lies in the program folder.
TEST_F(WeekdayTableTest, EachDayReadsItsOwnLineAndOnlyADayLineNamesAPath)
{
    const std::string fiveDays = "1\t/a.ini\r\n2\t/b.ini\r\n3\t\r\n4\t/d.ini\r\n5\t/e.ini\r\n";
    const std::tuple<std::string, int, std::u16string> cases[] = {
        {fiveDays, 0, u"/a.ini"},                     // Monday
        {fiveDays, 1, u"/b.ini"},                     // Tuesday
        {fiveDays, 2, u""},                           // Wednesday
        {fiveDays, 3, u"/d.ini"},                     // Thursday
        {fiveDays, 4, u"/e.ini"},                     // Friday
        {fiveDays, 5, u"/e.ini"},                     // Saturday
        {"7\t/g.ini\r\n1\t/a.ini\r\n", 6, u"/g.ini"}, // Sunday, on a line of its own
        {"\x93\xfa\xff\r\n\x01\tx", 1, u""},          // a line not starting with a day names nothing
        {"2\r\n", 1, u""},
        {"2\tsites/b.ini\r\n", 1, dir.folder() + u"sites/b.ini"},
        {"", 1, u"failed: 空のファイルです"},
        {std::string("1\t/a.ini\0", 9), 1,
         u"failed: NUL 文字を含むため、テキストとして読めません（UTF-16 なら BOM を付けて保存してください）"},
    };
    for (const auto& [table, day, expected] : cases) {
        writeBytes(dir.path() / "vodeZeva.def", table);
        EXPECT_EQ(readDefOn(kMonday + day * 86400LL + 3600), expected) << table << " on day " << day;
    }
    EXPECT_EQ(fe.yields, static_cast<int>(std::size(cases)));
}

TEST_F(WeekdayTableTest, AMissingTableIsCreatedWithDefaultsAndReportedOnce)
{
    EXPECT_EQ(readDefOn(kMonday), dir.folder() + u"vodeZeva.ini");
    run::WeekdayTable table;
    table.fill(dir.folder() + u"vodeZeva.ini");
    EXPECT_EQ(readBytes(dir.path() / "vodeZeva.def"), text::toUtf8(run::weekdayTableText(table)));
    EXPECT_EQ(fe.infos, std::vector<std::u16string>{u"vodeZeva.defが存在しませんでしたので標準値で作成しました。 "});

    EXPECT_EQ(readDefOn(kMonday + 86400), dir.folder() + u"vodeZeva.ini");
    EXPECT_EQ(fe.infos.size(), 1u) << "the second start finds the table";
}

} // namespace
} // namespace vz::test
