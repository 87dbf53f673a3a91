#include "run/reporter.h"

#include <gtest/gtest.h>

#include "support/reporting_fixture.h"

namespace vz::test {
namespace {

using ReporterTest = ReportingTest;

// The lines' shapes are held by the end-to-end logs and the error list window's tests.
TEST_F(ReporterTest, AnUnwritableLogRaisesAnAlertAndTheCallerGoesOn)
{
    state.DataPath = dir.folder() + u"missing/";
    reporter.DispErr(u"one", u"", u"", u"X");
    reporter.DispErr(u"two", u"", u"", u"X");
    ASSERT_EQ(fe.alerts.size(), 2u);
    EXPECT_EQ(fe.alerts[0], u"ファイルまたはフォルダがありません（ENOENT） : DispErr (Maybe path to output ;" +
                                state.DataPath + u"; not available)");
    EXPECT_EQ(fe.errorLines.size(), 2u) << "the error list still gets its lines";
}

} // namespace
} // namespace vz::test
