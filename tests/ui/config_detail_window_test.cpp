#include <cstdio>
#include <filesystem>

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QTextBrowser>
#include <QRadioButton>

#include "cli/headless_command.h"
#include "editor_windows_fixture.h"
#include "fakes/fake_program_starter.h"
#include "ui/desktop.h"
#include "platform/concurrent_fetcher.h"
#include "run/site_list_file.h"
#include "run/text.h"
#include "support/pieces.h"
#include "support/test_http_server.h"
#include "test_paths.h"

using namespace vz;
using test::EditorWindowsFixture;
using test::replaceAll;

class ConfigDetailWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void showsTheRowOfItsDetailButtonAndStoresItOnOk()
    {
        EditorWindowsFixture f;
        f.state.CurrentIniPath = f.path("run.ini");
        f.writeFile("a.ini", u"J\t0\t/d/\tNOAUTO\tNODAILY\t\tNOCONTENTS\tNOSEPARATETOPICFILES\r\n"
                             u"A\thttp://a/\t\ta.html\t\t\t\t\t\t\tRemoveAll\tRemoveTable\tKeepPix\t3\t300\r\n"
                             u"B\thttp://b/\t\tb.html\r\n");
        f.windows.openConfig(f.path("a.ini"), false);
        f.click(f.config(), "cmdDetail0");
        QWidget& d = f.detail();
        QVERIFY(d.isVisible());
        QCOMPARE(d.windowTitle(), QStringLiteral("Detail of Index : run.ini"));
        QCOMPARE(f.in<QLineEdit>(d, "IndexAddress")->text(), QStringLiteral("http://a/"));
        QCOMPARE(f.in<QLineEdit>(d, "minPix")->text(), QStringLiteral("300"));
        QVERIFY(f.in<QCheckBox>(d, "chkAllTag")->isChecked() && f.in<QRadioButton>(d, "optAllTable")->isChecked());

        f.click(f.config(), "cmdDetail1"); // rebinds the open window to row 1
        QCOMPARE(f.in<QLineEdit>(d, "IndexName")->text(), QStringLiteral("B"));
        f.type(f.in<QLineEdit>(d, "IndexName"), QStringLiteral("朝刊"));
        f.in<QRadioButton>(d, "optTableTag")->click();
        f.click(d, "cmdOK", {true});
        QVERIFY(!d.isVisible());
        QCOMPARE(f.host.over.back(), QStringLiteral("frmConfigDetail"));
        QCOMPARE(f.in<QLineEdit>(f.config(), "SiteName1")->text(), QStringLiteral("朝刊"));
        QVERIFY(f.windows.editor().table().rows[1].TableOption == u"RemoveTableTag");

        f.click(f.config(), "cmdDetail0");
        f.click(d, "cmdDelete", {true});
        QVERIFY(!d.isVisible() && f.in<QLineEdit>(f.config(), "SiteName0")->text().isEmpty());
    }

    /// 試す tries the row as the boxes hold it, before anything is stored: the verdict names the
    /// marker typed wrong and what almost matches it; mended, the article shows as it will be
    /// written; a link picked from the list is tried next; 中止 stops a trial within a second.
    void triesTheRowAsTypedAndStopsWhenAsked()
    {
        test::TestHttpServer server;
        server.serve("/n/index.html", "<ul class=\"list\"><a href=\"a1.html\">1</a><br><a href=\"a2.html\">2</a></ul>");
        server.serve("/n/a1.html",
                     "<h1>First</h1><div><p>one <b>bold</b><img src=\"http://elsewhere.test/x.gif\"></p></div>");
        server.serve("/n/a2.html", "<h1>Second</h1><div>two</div>");
        EditorWindowsFixture f;
        const std::string site = "N\t" + server.url("/n/index.html") + "\t" + server.url("/n/") +
                                 "\tn.html\t<UL class=\"list\">\t</ul>\t<h1>\t</h1>\t<div>\t</div>\r\n";
        f.writeFile("a.ini",
                    u"J\t0\t" + f.path("data") + u"/\tNOAUTO\tNODAILY\t\tNOCONTENTS\t\r\n" + text::fromUtf8(site));
        f.windows.openConfig(f.path("a.ini"), false);
        f.click(f.config(), "cmdDetail0");
        QWidget& d = f.detail();
        auto* cmdTry = f.in<QPushButton>(d, "cmdTry");
        auto* verdict = f.in<QLabel>(d, "lblVerdict");
        QCOMPARE(cmdTry->text(), QStringLiteral("試す"));
        const int narrow = d.width();

        f.click(d, "cmdTry");
        QTRY_COMPARE(cmdTry->text(), QStringLiteral("試す"));
        QVERIFY(d.width() > narrow);
        QVERIFY2(verdict->text().contains(QStringLiteral("「<UL class=\"list\">」")) &&
                     verdict->text().contains(QStringLiteral("よく似た 「<ul class=\"list\">」")),
                 qPrintable(verdict->text()));

        f.type(f.in<QLineEdit>(d, "FilterIndex1"), QStringLiteral("<ul class=\"list\">"));
        f.click(d, "cmdTry");
        QTRY_VERIFY2(verdict->text().startsWith(QStringLiteral("使えます")), qPrintable(verdict->text()));
        auto* article = f.in<QTextBrowser>(d, "txtArticle");
        QCOMPARE(article->toPlainText(), QStringLiteral("First\none bold"));
        QVERIFY(article->toHtml().contains(QStringLiteral("font-weight")) && !article->toHtml().contains("elsewhere"));
        auto* links = f.in<QListWidget>(d, "lstLinks");
        QCOMPARE(links->count(), 2);
        QTest::mouseClick(links->viewport(), Qt::LeftButton, {}, links->visualItemRect(links->item(1)).center());
        f.click(d, "cmdTry");
        QTRY_VERIFY2(verdict->text().contains(QStringLiteral("「Second」")), qPrintable(verdict->text()));
        // Tried, not stored: the row and the data folder are as they were.
        QVERIFY(f.windows.editor().table().rows[0].FilterIndex1 == u"<UL class=\"list\">");
        QVERIFY(!std::filesystem::exists(f.dir.path() / "data"));

        f.type(f.in<QLineEdit>(d, "IndexAddress"), QString::fromStdString(server.url("/slow")));
        f.click(d, "cmdTry");
        QCOMPARE(cmdTry->text(), QStringLiteral("中止"));
        QTest::qWait(200);
        QElapsedTimer stopping;
        stopping.start();
        f.click(d, "cmdTry");
        QTRY_COMPARE_WITH_TIMEOUT(cmdTry->text(), QStringLiteral("試す"), 1000);
        QVERIFY(stopping.elapsed() < 1000 && cmdTry->isEnabled());
        QCOMPARE(verdict->text(), QStringLiteral("中止しました。"));

        // Closed, it opens again at its own width, without the report.
        f.click(d, "cmdClose", {true});
        f.click(f.config(), "cmdDetail0");
        QVERIFY(d.isVisible() && d.findChild<QWidget*>("tryReport")->isHidden());
        QCOMPARE(d.width(), narrow);
    }

    /// A new user's first start: no files, the default file and its message, the configuration
    /// window, a first site entered in row 0's detail window, its switch, OK; then a run without
    /// windows gathers that site from the loopback server.
    void aFirstStartEndsWithTheNewSiteGathered()
    {
        namespace fs = std::filesystem;
        const fs::path sample = fs::path(test::kDataDir) / "e2e" / "encoding_utf_8";
        test::TestHttpServer server;
        for (const char* page : {"index.html", "a1.html", "a2.html"}) {
            server.serve(std::string("/news/") + page, test::readBytes(sample / "site" / "news" / page));
        }
        EditorWindowsFixture f;
        fs::remove(f.dir.path() / "vodeZeva.def");
        test::FakeClock clock;
        platform::ConcurrentFetcher fetcher;
        test::FakeProgramStarter starter;
        run::RunState state;
        ui::LateEditorWindows editors;
        ui::Desktop desktop(state, {clock, fetcher, f.host, editors, starter});
        ui::EditorWindowSet windows(state, desktop.session().reporter(), f.host);
        editors.setTarget(&windows);
        desktop.start(f.dir.folder(), std::nullopt);
        QWidget& config = windows.configWindow();
        QVERIFY(config.isVisible());
        QCOMPARE(f.fe.infos.size(), std::size_t{2});
        QVERIFY(f.fe.infos[1].starts_with(f.path("vodeZeva.ini") + u"が存在しませんでした。"));

        const std::string lines = replaceAll(test::readBytes(sample / "sites.ini"), "@BASE@", server.baseUrl());
        const auto from = lines.find("\r\n") + 2;
        const run::SiteRecord site =
            run::parseSiteLine(platform::decodeCp932(lines.substr(from, lines.find("\r\n", from) - from)));
        f.click(config, "cmdDetail0");
        QWidget& d = windows.detailWindow();
        const std::pair<const char*, int> fields[] = {
            {"IndexName", 0},    {"IndexAddress", 1}, {"ServerAddressHeader", 2}, {"FileName", 3},
            {"FilterIndex1", 4}, {"FilterIndex2", 5}, {"FilterHeadline1", 6},     {"FilterHeadline2", 7},
            {"FilterText1", 8},  {"FilterText2", 9}};
        for (const auto& [name, field] : fields) {
            f.type(f.in<QLineEdit>(d, name), ui::toQt(site.field(field)));
        }
        // Tried before it is stored or run: a good first article.
        f.click(d, "cmdTry");
        QTRY_VERIFY(f.in<QLabel>(d, "lblVerdict")->text().startsWith(QStringLiteral("使えます")));
        f.click(d, "cmdOK", {true});
        f.in<QCheckBox>(config, "valid0")->click();
        const fs::path data = f.dir.path() / "data";
        f.type(f.in<QLineEdit>(config, "DataPath"), QString::fromStdString(data.string()));
        f.click(config, "cmdOK", {true});
        QVERIFY(!config.isVisible());
        desktop.mainWindow().findChild<QAction*>("mnuEdit")->trigger();
        QCOMPARE(f.in<QLineEdit>(config, "SiteName0")->text(), ui::toQt(site.IndexName));

        std::FILE* out = std::tmpfile();
        cli::HeadlessFrontEnd headless(out, false);
        QCOMPARE(cli::runHeadless({f.dir.folder(), std::nullopt}, headless, clock, fetcher), 0);
        std::fclose(out);
        QCOMPARE(test::readBytes(data / "local.html"),
                 replaceAll(test::readBytes(sample / "expected" / "local.html"), "@BASE@", server.baseUrl()));
    }
};

QTEST_MAIN(ConfigDetailWindowTest)
#include "config_detail_window_test.moc"
