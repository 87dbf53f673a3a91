#include <filesystem>

#include <QLabel>

#include "editor_windows_fixture.h"
#include "test_paths.h"

using namespace vz;
using test::EditorWindowsFixture;

class ConfigWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void showsTheSettingsAndPagesThroughTheSites()
    {
        EditorWindowsFixture f;
        std::u16string content = u"J\t12\t/d\tAUTO\tNODAILY\t5\tCONTENTS\tNOSEPARATETOPICFILES\r\n";
        for (int i = 0; i < 25; ++i) {
            content += u"'S" + text::number(i) + u"\thttp://a/\t\tf" + text::number(i) + u".html\r\n";
        }
        f.writeFile("a.ini", content);
        f.windows.openConfig(f.path("a.ini"), false);
        QWidget& w = f.config();
        QVERIFY(w.isVisible() && w.windowTitle() == QStringLiteral("Configuration : a.ini"));
        QCOMPARE(f.in<QLineEdit>(w, "DataPath")->text(), QStringLiteral("/d/"));
        QVERIFY(f.in<QCheckBox>(w, "AutoStart")->isChecked());
        QVERIFY(!f.in<QLineEdit>(w, "NrLtrLine")->isEnabled());
        f.in<QCheckBox>(w, "FitToScreen")->click();
        QVERIFY(f.in<QLineEdit>(w, "NrLtrLine")->isEnabled());
        f.type(f.in<QLineEdit>(w, "NrLtrLine"), QStringLiteral("abc"));
        QCOMPARE(f.in<QLineEdit>(w, "NrLtrLine")->text(), QStringLiteral("12")); // letters are refused
        QVERIFY(f.in<QLineEdit>(w, "NrPage")->text() == QStringLiteral("5") &&
                !f.in<QLineEdit>(w, "NrPage")->isEnabled());
        QVERIFY(f.in<QCheckBox>(w, "chkChgIni")->isChecked() && !f.in<QCheckBox>(w, "chkDay1")->isVisible());
        f.in<QCheckBox>(w, "chkChgIni")->click();
        QVERIFY(f.in<QCheckBox>(w, "chkDay7")->isVisible());

        QCOMPARE(f.in<QLineEdit>(w, "SiteName4")->text(), QStringLiteral("S4"));
        QVERIFY(!f.in<QCheckBox>(w, "valid4")->isChecked());
        f.in<QCheckBox>(w, "valid4")->click();
        QVERIFY(!f.in<QPushButton>(w, "cmdBack")->isEnabled());
        QCOMPARE(f.in<QLabel>(w, "lblPage")->text(), QStringLiteral("1 / 4 ページ"));
        f.click(w, "cmdFwd");
        f.click(w, "cmdFwd");
        QCOMPARE(f.in<QLineEdit>(w, "SiteName4")->text(), QStringLiteral("S24"));
        QCOMPARE(f.in<QLabel>(w, "lblPage")->text(), QStringLiteral("3 / 4 ページ"));
        QVERIFY(f.in<QPushButton>(w, "cmdBack")->isEnabled());

        // Vertical text is the book's: it can be chosen once the book is.
        QVERIFY(!f.in<QCheckBox>(w, "chkEpub")->isChecked() && !f.in<QCheckBox>(w, "chkVertical")->isEnabled());
        f.in<QCheckBox>(w, "chkEpub")->click();
        QVERIFY(f.in<QCheckBox>(w, "chkVertical")->isEnabled());
        f.in<QCheckBox>(w, "chkVertical")->click();
        QVERIFY(!f.in<QCheckBox>(w, "chkOnlyNew")->isChecked());
        f.in<QCheckBox>(w, "chkOnlyNew")->click();

        f.click(w, "cmdOK", {true, true});
        QVERIFY(!w.isVisible());
        QCOMPARE(test::readBytes(f.dir.path() / "a.ini.options"),
                 std::string("epub=on\r\nvertical=on\r\nonlynew=on\r\n"));
        const std::u16string saved = f.readFile("a.ini");
        QVERIFY(saved.starts_with(u"E\t12\t/d/\tAUTO\tNODAILY\t5\tCONTENTS\tNOSEPARATETOPICFILES\r\n'S0\t"));
        QVERIFY(saved.find(u"\r\nS4\thttp://a/") != std::u16string::npos);
    }

    void enterAndEscapeWorkAsInADialogInEveryEditorWindow()
    {
        EditorWindowsFixture f;
        const std::u16string name(60, u'長');
        f.writeFile("a.ini",
                    u"J\t0\t/d/\tNOAUTO\tNODAILY\t\tNOCONTENTS\tNOSEPARATETOPICFILES\r\n'" + name + u"\ta\r\n");
        f.windows.openConfig(f.path("a.ini"), false);
        QWidget& w = f.config();
        QCOMPARE(f.in<QLineEdit>(w, "SiteName0")->cursorPosition(), 0); // a long name shows its beginning
        const auto key = [&f](QWidget* to, Qt::Key pressed, std::vector<bool> answers = {}) {
            f.fe.answers = std::move(answers);
            f.fe.questions.clear();
            to->setFocus();
            QTest::keyClick(to, pressed);
        };
        key(f.in<QLineEdit>(w, "DataPath"), Qt::Key_Return, {false});
        QTRY_COMPARE(f.fe.questions, std::vector<std::u16string>{u"変更を保存してもいいですか?"}); // OK
        key(f.in<QLineEdit>(w, "DataPath"), Qt::Key_Escape, {false});
        QTRY_COMPARE(f.fe.questions, std::vector<std::u16string>{u"変更を保存せずこの画面を閉じてもいいですか?"});
        key(f.in<QPushButton>(w, "cmdCheckAll"), Qt::Key_Return); // the button that has the keyboard
        QTRY_VERIFY(f.in<QCheckBox>(w, "valid0")->isChecked());
        QVERIFY(f.fe.questions.empty());

        f.click(w, "cmdDetail0");
        key(f.in<QLineEdit>(f.detail(), "IndexName"), Qt::Key_Escape, {true});
        QTRY_VERIFY(!f.detail().isVisible());
        f.windows.openDef();
        key(f.in<QLineEdit>(f.windows.defWindow(), "ini1"), Qt::Key_Escape); // 取り消し, asking nothing
        QTRY_VERIFY(!f.windows.defWindow().isVisible());
        QVERIFY(f.fe.questions.empty());
    }

    void okRewritesEveryEndToEndSiteListByteForByte()
    {
        namespace fs = std::filesystem;
        EditorWindowsFixture f;
        for (const auto& entry : fs::directory_iterator(fs::path(test::kDataDir) / "e2e")) {
            // The editor gives a data folder its final "/", so the placeholder stands for one with it.
            std::string bytes = test::readBytes(entry.path() / "sites.ini");
            if (bytes.empty()) {
                continue;
            }
            bytes.replace(bytes.find("@DATA@"), 6, "/srv/news/");
            test::writeBytes(f.dir.path() / "a.ini", bytes);
            f.windows.openConfig(f.path("a.ini"), false);
            // Two sites that share a page (shared_file_name) are asked about first.
            f.click(f.config(), "cmdOK", {true, true});
            QVERIFY(!f.config().isVisible());
            // Blank site lines hold no site and close up.
            for (auto at = bytes.find("\r\n\r\n"); at != std::string::npos; at = bytes.find("\r\n\r\n")) {
                bytes.erase(at, 2);
            }
            QVERIFY2(test::readBytes(f.dir.path() / "a.ini") == bytes, entry.path().filename().c_str());
            QVERIFY(!fs::exists(f.dir.path() / "a.ini.options")); // none was there, none is needed
        }
        QVERIFY(f.fe.errorLines.empty());
    }

    void typedRowsAndDeletionsReachTheFileAndCloseAsksFirst()
    {
        EditorWindowsFixture f;
        f.writeFile("a.ini", u"J\t0\t/d/\tNOAUTO\tNODAILY\t\tNOCONTENTS\tNOSEPARATETOPICFILES\r\nA\ta\r\nB\tb\r\n");
        f.windows.openConfig(f.path("a.ini"), false);
        QWidget& w = f.config();
        f.type(f.in<QLineEdit>(w, "SiteName2"), QStringLiteral("夕刊"));
        f.type(f.in<QLineEdit>(w, "FileName2"), QStringLiteral("yu.html"));
        f.click(w, "cmdDetail2"); // stores the page
        f.click(w, "cmdDelete0", {true});
        QCOMPARE(f.fe.questions.back(), std::u16string(u"このサイトを削除してもいいですか?"));
        QCOMPARE(f.host.over.back(), QStringLiteral("frmConfig")); // over the window that asks
        QCOMPARE(f.in<QLineEdit>(w, "SiteName0")->text(), QString());

        f.click(w, "cmdClose", {false});
        QVERIFY(w.isVisible() && f.detail().isVisible());
        f.click(w, "cmdOK", {true});
        QVERIFY(!w.isVisible());
        QVERIFY(!f.detail().isVisible());
        QVERIFY(f.readFile("a.ini") == u"J\t0\t/d/\tNOAUTO\tNODAILY\t\tNOCONTENTS\tNOSEPARATETOPICFILES\r\nB\tb" +
                                           std::u16string(13, u'\t') + u"\r\n'夕刊\t\t\tyu.html" +
                                           std::u16string(11, u'\t') + u"\r\n");
    }
};

QTEST_MAIN(ConfigWindowTest)
#include "config_window_test.moc"
