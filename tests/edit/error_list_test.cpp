#include "edit/error_list.h"

#include <gtest/gtest.h>

#include "run/reporter.h"

namespace vz::test {
namespace {

using Lines = std::vector<std::u16string>;

std::u16string line(const std::u16string& message, const std::u16string& detail, const std::u16string& procedure)
{
    return run::errorListLine(message, detail, u"", procedure);
}

const std::u16string kNotDownloaded = u"HTMLファイルがダウンロードできませんでした。";
const std::u16string kNoStart = u"インデックスを切り出すための文字列1'<a'が見つかりません。";
const std::u16string kNoAddress = u"Filter str for Indexに誤りがあります。アドレスが切り出せません。 ";
const std::u16string kNoHeadline = u"見出しを切り出すための文字列1'<h1>'が見つかりません。";
const std::u16string kNotProcessed = u"ダウンロード処理できませんでした。 ";

TEST(ErrorList, TheStepsOfOneFailureMakeOneEntryWithTheCauseUnderADatedHeadingPerRun)
{
    edit::ErrorList list;
    list.append(line(u"a report before any run", u"", u"FormLoad"));
    list.startRun(u"2026/12/07 06:30:05");
    // A dead index page, then its site's first article, asked for twice, then a wrong marker.
    list.append(line(kNotDownloaded, u"http://x/index.html", u"GetHTML"));
    list.downloadFailed(u"http://x/index.html", u"HTTP status 404 Not Found");
    list.append(line(kNoStart, u"", u"CutHeader"));
    list.append(line(kNoAddress, u"", u"CutMsg"));
    list.append(line(kNotDownloaded, u"http://x/", u"GetHTML"));
    list.downloadFailed(u"http://x/", u"time-out");
    list.append(line(kNotDownloaded, u"http://x/", u"GetHTML"));
    list.append(line(kNoHeadline, u"", u"CutNews"));
    list.append(line(kNotProcessed, u"http://x/", u" MAIN\r\n"));
    list.append(line(u"目次ページを作成しました。", u"/d/index.html", u"MakeContents"));
    list.endRun();
    list.startRun(u"2026/12/07 07:00:00");
    list.endRun();
    list.append(line(kNoHeadline, u"", u"CutNews"));
    list.append(line(kNotProcessed, u"http://y/", u" MAIN\r\n"));

    const std::u16string arrow = u"　← ";
    EXPECT_EQ(list.entries(),
              (Lines{u"a report before any run :  : FormLoad", u"", u"―― 2026/12/07 06:30:05 の実行 ――",
                     kNoAddress + u" :  : CutMsg" + arrow + kNoStart + u" :  : CutHeader" + arrow + kNotDownloaded +
                         u" : http://x/index.html : GetHTML（HTTP status 404 Not Found）",
                     kNotProcessed + u" : http://x/ :  MAIN" + arrow + kNoHeadline + u" :  : CutNews" + arrow +
                         kNotDownloaded + u" : http://x/ : GetHTML（time-out）",
                     u"目次ページを作成しました。 : /d/index.html : MakeContents",
                     // No heading for a run without reports; outside a run every report stands alone.
                     kNoHeadline + u" :  : CutNews", kNotProcessed + u" : http://y/ :  MAIN"}));
}

} // namespace
} // namespace vz::test
