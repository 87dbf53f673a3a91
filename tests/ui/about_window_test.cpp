#include <filesystem>
#include <map>

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "fakes/fake_front_end.h"
#include "fakes/fake_program_starter.h"
#include "support/temp_dir.h"
#include "ui/about_window.h"
#include "version.h"

using namespace vz;

class AboutWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void showsTitleVersionAndLibraries()
    {
        test::FakeFrontEnd messages;
        test::FakeProgramStarter starter;
        ui::AboutWindow about(messages, starter, [](const char*) -> const char* { return nullptr; });
        QCOMPARE(about.windowTitle(), QStringLiteral("vodeZevaのﾊﾞｰｼﾞｮﾝ情報"));
        QCOMPARE(about.findChild<QLabel*>("lblTitle")->text(), QStringLiteral("vodeZeva"));
        QCOMPARE(about.findChild<QLabel*>("lblVersion")->text(),
                 QStringLiteral("ﾊﾞｰｼﾞｮﾝ ") + QString::fromLatin1(kVersion) + QStringLiteral("J"));
        const QString libraries = about.findChild<QLabel*>("lblLibraries")->text();
        QVERIFY2(libraries.contains(QStringLiteral("Qt ") + QString::fromLatin1(qVersion())), qPrintable(libraries));
        QVERIFY(libraries.contains(QStringLiteral("ICU 7")));
        QVERIFY(libraries.contains(QStringLiteral("libcurl 7")) || libraries.contains(QStringLiteral("libcurl 8")));
        about.show();
        QTest::mouseClick(about.findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
        QVERIFY(!about.isVisible());
    }

    void systemInformationComesFromTheVariableThenThePath_data()
    {
        QTest::addColumn<QString>("variable");
        QTest::addColumn<QStringList>("onPath");
        QTest::addColumn<bool>("startWorks");
        QTest::addColumn<QString>("started"); // "" when nothing is started; "@" for the temp folder
        QTest::addColumn<bool>("messageShown");
        QTest::newRow("variable wins over the path")
            << "/opt/info/sysinfo" << QStringList{"hardinfo"} << true << "/opt/info/sysinfo" << false;
        QTest::newRow("an empty variable counts as unset")
            << "" << QStringList{"kinfocenter"} << true << "@/kinfocenter" << false;
        QTest::newRow("the first program of the list is taken")
            << QString() << QStringList{"gnome-system-monitor", "hardinfo"} << true << "@/hardinfo" << false;
        QTest::newRow("nothing found") << QString() << QStringList{"not-a-sysinfo"} << true << "" << true;
        QTest::newRow("a failed start is told")
            << "/opt/info/sysinfo" << QStringList{} << false << "/opt/info/sysinfo" << true;
    }

    void systemInformationComesFromTheVariableThenThePath()
    {
        QFETCH(QString, variable);
        QFETCH(QStringList, onPath);
        QFETCH(bool, startWorks);
        QFETCH(QString, started);
        QFETCH(bool, messageShown);
        test::TempDir folder;
        for (const QString& name : onPath) {
            const auto file = folder.path() / name.toStdString();
            test::writeBytes(file, "#!/bin/sh\n");
            std::filesystem::permissions(file, std::filesystem::perms::owner_all);
        }
        // A program that is there but may not be run is passed over.
        test::writeBytes(folder.path() / "kinfocenter.txt", "");
        const std::string path = "/nonexistent:" + folder.path().string();
        const std::string var = variable.toStdString();
        std::map<std::string, const char*> environment{{"PATH", path.c_str()}};
        if (!variable.isNull()) {
            environment["VODEZEVA_SYSINFO"] = var.c_str();
        }
        test::FakeFrontEnd messages;
        test::FakeProgramStarter starter;
        starter.succeeds = startWorks;
        ui::AboutWindow about(messages, starter, [&](const char* name) -> const char* {
            const auto found = environment.find(name);
            return found == environment.end() ? nullptr : found->second;
        });
        QTest::mouseClick(about.findChild<QPushButton*>("cmdSysInfo"), Qt::LeftButton);
        started.replace(QStringLiteral("@"), QString::fromStdString(folder.path().string()));
        QCOMPARE(starter.started.empty() ? QString() : QString::fromStdString(starter.started.front()), started);
        QCOMPARE(messages.alerts.size(), std::size_t(messageShown ? 1 : 0));
        if (messageShown) {
            QVERIFY(messages.alerts.front() == u"現時点ではｼｽﾃﾑ情報を使用できません");
        }
    }
};

QTEST_MAIN(AboutWindowTest)
#include "about_window_test.moc"
