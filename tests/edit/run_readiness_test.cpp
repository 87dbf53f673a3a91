#include "edit/run_readiness.h"

#include <gtest/gtest.h>

#include "support/reporting_fixture.h"

namespace vz::test {
namespace {

TEST_F(ReportingTest, NothingToRunSaysWhyWhenNoSiteWouldBeGathered)
{
    // The file's text (none: no file), the beginning of the reason (empty: a run would gather).
    const std::pair<const char*, std::u16string> cases[] = {
        {nullptr, u""}, // Init creates the file and says so
        {"", u""},
        {"J\tabc\t/d/\r\nA\thttp://a/\r\n", u"１行文字数が数ではありません"},
        {"J\t0\t/d/\tNOAUTO\tNODAILY\tfive\r\nA\thttp://a/\r\n", u"ダウンロードする記事数が数ではありません"},
        {"J\t0\t/d/\r\n", u"サイトがありません"},
        {"J\t0\t/d/\r\n\r\n\thttp://nameless/\r\n", u"サイトがありません"},
        {"J\t0\t/d/\r\n'A\thttp://a/\r\n'B\r\n", u"チェックの入ったサイトがありません"},
        {"J\t0\t/d/\r\n'A\thttp://a/\r\nB\thttp://b/\r\n", u""},
    };
    for (const auto& [content, reason] : cases) {
        state.CurrentIniPath = dir.folder() + u"a.ini";
        std::filesystem::remove(dir.path() / "a.ini");
        if (content) {
            writeBytes(dir.path() / "a.ini", content);
        }
        EXPECT_EQ(edit::nothingToRun(state).value_or(u"").substr(0, reason.size()), reason) << (content ? content : "");
    }
    state.CurrentIniPath = u"  ";
    EXPECT_TRUE(edit::nothingToRun(state)->starts_with(u"今日の曜日には.iniファイルが割り当てられていません"));
}

} // namespace
} // namespace vz::test
