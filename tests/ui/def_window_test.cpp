#include "editor_windows_fixture.h"

using namespace vz;
using test::EditorWindowsFixture;

class DefWindowTest : public QObject
{
    Q_OBJECT

    static QLineEdit* row(QWidget& w, int key)
    {
        return EditorWindowsFixture::in<QLineEdit>(w, QStringLiteral("ini%1").arg(key));
    }

private slots:
    void rowsTakeTypingAndBrowsingAndSaveWritesThem()
    {
        EditorWindowsFixture f;
        test::writeBytes(f.dir.path() / "vodeZeva.def", "1\t/mon.ini\r\n2\t/tue.ini\r\n3\t/wed.ini\r\n");
        f.windows.openDef();
        QWidget& w = f.windows.defWindow();
        QVERIFY(w.isVisible() && w.windowTitle() == QStringLiteral("Definition of .ini files"));
        QCOMPARE(row(w, 2)->text(), QStringLiteral("/tue.ini"));
        // Edit on a blank row would open the configuration window on no file.
        const auto editable = [&w](int key) {
            return EditorWindowsFixture::in<QPushButton>(w, QStringLiteral("cmdEdit%1").arg(key))->isEnabled();
        };
        QVERIFY(editable(2) && !editable(4) && !editable(6));
        row(w, 2)->clear();
        QTest::keyClicks(row(w, 4), QStringLiteral("/thu.ini"));
        f.dialogs.results = {{platform::FileDialogResult::Outcome::Chosen, u"/home/me/週末.ini", u""}};
        f.click(w, "cmdBrowse6");
        f.click(w, "cmdBrowse7"); // dismissed
        QCOMPARE(row(w, 6)->text(), QStringLiteral("/home/me/週末.ini"));
        QVERIFY(!editable(2) && editable(4) && editable(6) && !editable(7));
        f.click(w, "cmdSave", {true});
        QCOMPARE(f.host.over, (QStringList{"frmDef", "frmDef", "frmDef"}));
        QCOMPARE(f.readFile("vodeZeva.def"),
                 u"1\t/mon.ini\r\n2\t\r\n3\t/wed.ini\r\n4\t/thu.ini\r\n5\t\r\n6\t/home/me/週末.ini\r\n7\t\r\n");
        QVERIFY(!w.isVisible());
    }

    void aConfigurationSaveFromARowRefreshesTheEditorAndCancelRestoresTheTableReadAtOpening()
    {
        EditorWindowsFixture f;
        f.writeFile("a.ini", u"J\t0\t\tNOAUTO\tNODAILY\t\tNOCONTENTS\tNOSEPARATETOPICFILES\r\nA\thttp://a/\r\n");
        const std::u16string original = f.readFile("vodeZeva.def");
        QWidget& w = f.windows.defWindow();
        f.windows.editor().LoadDef();
        QVERIFY2(!w.isVisible(), "a refresh never brings the closed editor on screen");
        f.windows.openDef();
        f.click(w, "cmdEdit1");
        QVERIFY(f.config().isVisible() && f.windows.editor().fFromDef);

        // Every day is released from a.ini, and no copy is kept.
        f.in<QCheckBox>(f.config(), "chkChgIni")->click();
        f.click(f.config(), "cmdOK", {true, false});
        QVERIFY(row(w, 1)->text().isEmpty() && row(w, 7)->text().isEmpty());

        f.click(w, "cmdCancel");
        QVERIFY(!w.isVisible() && f.readFile("vodeZeva.def") == original);

        f.windows.openDef();
        row(w, 1)->clear();
        w.close(); // the close box writes nothing
        QVERIFY(f.readFile("vodeZeva.def") == original);
    }
};

QTEST_MAIN(DefWindowTest)
#include "def_window_test.moc"
