#include "run/reporter.h"

#include <gtest/gtest.h>

#include "platform/cp932.h"
#include "run/text.h"
#include "support/reporting_fixture.h"

namespace vz::test {
namespace {

using ReporterTest = ReportingTest;

TEST_F(ReporterTest, LogAndErrorListLinesHaveTheirOwnSpacingAndTheMainReportAnEmptyLineAfterIt)
{
    ASSERT_TRUE(reporter.startLog({2026, 3, 4, 5, 6, 7, 3}));
    reporter.DispErr(u"HTMLファイルがダウンロードできませんでした。", u"http://x/", u"", u"GetHTML");
    reporter.DispErr(u"only message", u"", u"", u"FormLoad");
    reporter.DispErr(u"a", u"b", u"c", u"d");
    reporter.DispErr(u"ダウンロード処理できませんでした。 ", u"http://x/a", u"", u" MAIN\r\n");

    EXPECT_EQ(readBytes(dir.path() / "vodeZeva.log"),
              platform::encodeCp932(u"vodeZeva :2026/03/04 05:06:07\r\n"
                                    u"HTMLファイルがダウンロードできませんでした。 : http://x/  : GetHTML\r\n"
                                    u"only message :   : FormLoad\r\n"
                                    u"a : b c : d\r\n"
                                    u"ダウンロード処理できませんでした。  : http://x/a  :  MAIN\r\n\r\n")
                  .bytes);
    EXPECT_EQ(fe.errorLines,
              (std::vector<std::u16string>{u"HTMLファイルがダウンロードできませんでした。 : http://x/ : GetHTML\r\n",
                                           u"only message :  : FormLoad\r\n", u"a : bc : d\r\n",
                                           u"ダウンロード処理できませんでした。  : http://x/a :  MAIN\r\n\r\n"}));
}

TEST_F(ReporterTest, AnUnwritableLogRaisesAnAlertAndTheCallerGoesOn)
{
    state.DataPath = dir.folder() + u"missing/";
    reporter.DispErr(u"one", u"", u"", u"X");
    reporter.DispErr(u"two", u"", u"", u"X");
    ASSERT_EQ(fe.alerts.size(), 2u);
    EXPECT_EQ(fe.alerts[0],
              u"No such file or directory : DispErr (Maybe path to output ;" + state.DataPath + u"; not available)");
    EXPECT_EQ(fe.errorLines.size(), 2u) << "the error list still gets its lines";
}

} // namespace
} // namespace vz::test
