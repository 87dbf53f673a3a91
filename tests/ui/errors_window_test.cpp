#include <QPlainTextEdit>
#include <QTest>

#include "fakes/fake_front_end.h"
#include "run/reporter.h"
#include "support/temp_dir.h"
#include "ui/errors_window.h"

using namespace vz;

class ErrorsWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void theFirstReportShowsTheListAndEveryLineStays()
    {
        test::TempDir dir;
        run::RunState state;
        state.DataPath = dir.folder();
        test::FakeFrontEnd messages;
        ui::ErrorsWindow errors;
        run::Reporter reporter(state, errors, messages);
        QVERIFY(!errors.isVisible());

        reporter.DispErr(u"ダウンロード処理できませんでした。 ", u"http://x/1.html", u"", u" MAIN\r\n");
        QVERIFY(errors.isVisible());
        QVERIFY2(errors.testAttribute(Qt::WA_ShowWithoutActivating), "the list never takes the keyboard");
        errors.close();
        for (int i = 0; i < 300; ++i) {
            reporter.DispErr(u"HTMLファイルがダウンロードできませんでした。", u"http://x/" + text::number(i), u"",
                             u"GetHTML");
        }
        QVERIFY2(errors.isVisible(), "a closed list shows itself again on the next report");
        // In a run, the steps of one failure grow one line in place.
        errors.startRun(u"2026/12/07 06:30:05");
        reporter.DispErr(u"見出しを切り出すための文字列1'<h1>'が見つかりません。", u"", u"", u"CutNews");
        reporter.DispErr(u"ダウンロード処理できませんでした。 ", u"http://x/2.html", u"", u" MAIN\r\n");
        errors.endRun();
        const QString text = errors.findChild<QPlainTextEdit*>("ErrMsg")->toPlainText();
        const QStringList lines = text.split(u'\n');
        QCOMPARE(lines.value(0), QStringLiteral("ダウンロード処理できませんでした。  : http://x/1.html :  MAIN"));
        QCOMPARE(lines.value(1), QStringLiteral("HTMLファイルがダウンロードできませんでした。 : http://x/0 : GetHTML"));
        QCOMPARE(lines.value(300),
                 QStringLiteral("HTMLファイルがダウンロードできませんでした。 : http://x/299 : GetHTML"));
        QCOMPARE(lines.mid(301), (QStringList{"", "―― 2026/12/07 06:30:05 の実行 ――",
                                              "ダウンロード処理できませんでした。  : http://x/2.html :  MAIN　← "
                                              "見出しを切り出すための文字列1'<h1>'が見つかりません。 :  : CutNews"}));
        QVERIFY(errors.findChild<QPlainTextEdit*>("ErrMsg")->isReadOnly());
        QVERIFY(messages.alerts.empty());
    }
};

QTEST_MAIN(ErrorsWindowTest)
#include "errors_window_test.moc"
