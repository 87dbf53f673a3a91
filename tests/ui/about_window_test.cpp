#include <filesystem>
#include <string_view>
#include <tuple>

#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include "fakes/fake_front_end.h"
#include "fakes/fake_program_starter.h"
#include "support/temp_dir.h"
#include "ui/about_window.h"

using namespace vz;

class AboutWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void namesTheLibrariesAndFindsTheSystemInformationByTheVariableThenThePath()
    {
        // The variable, the programs on the path, whether starting works, what is started ("@" for
        // the temporary folder, "" for nothing).
        const std::tuple<const char*, QStringList, bool, QString> cases[] = {
            {"/opt/info/sysinfo", {"hardinfo"}, true, "/opt/info/sysinfo"},      // the variable wins
            {"", {"kinfocenter"}, true, "@/kinfocenter"},                        // empty counts as unset
            {nullptr, {"gnome-system-monitor", "hardinfo"}, true, "@/hardinfo"}, // first of the list
            {nullptr, {"not-a-sysinfo"}, true, ""},
            {"/opt/info/sysinfo", {}, false, "/opt/info/sysinfo"}, // a failed start is told
        };
        const QRegularExpression libraries("^Qt " + QRegularExpression::escape(qVersion()) +
                                           R"( / ICU \d+\.\d+ / libcurl \d+\.)");
        for (auto [variable, onPath, startWorks, started] : cases) {
            test::TempDir folder;
            for (const QString& name : onPath) {
                const auto file = folder.path() / name.toStdString();
                test::writeBytes(file, "#!/bin/sh\n");
                std::filesystem::permissions(file, std::filesystem::perms::owner_all);
            }
            // A program that is there but may not be run is passed over, though its folder comes first.
            std::filesystem::create_directory(folder.path() / "plain");
            test::writeBytes(folder.path() / "plain" / "hardinfo", "#!/bin/sh\n");
            const std::string path =
                "/nonexistent:" + (folder.path() / "plain").string() + ":" + folder.path().string();
            test::FakeFrontEnd messages;
            test::FakeProgramStarter starter;
            starter.succeeds = startWorks;
            ui::AboutWindow about(messages, starter, [&](const char* name) -> const char* {
                const std::string_view asked = name;
                return asked == "PATH" ? path.c_str() : asked == "VODEZEVA_SYSINFO" ? variable : nullptr;
            });
            const QString shown = about.findChild<QLabel*>("lblLibraries")->text();
            QVERIFY2(libraries.match(shown).hasMatch(), qPrintable(shown));
            QTest::mouseClick(about.findChild<QPushButton*>("cmdSysInfo"), Qt::LeftButton);
            started.replace(QStringLiteral("@"), QString::fromStdString(folder.path().string()));
            QCOMPARE(starter.started.empty() ? QString() : QString::fromStdString(starter.started.front()), started);
            QCOMPARE(messages.alerts.size(), std::size_t(started.isEmpty() || !startWorks)); // none to start, or failed
        }
        test::FakeFrontEnd messages;
        test::FakeProgramStarter starter;
        ui::AboutWindow about(messages, starter);
        about.show();
        QTest::keyClick(&about, Qt::Key_Escape);
        QTRY_VERIFY(!about.isVisible());
    }
};

QTEST_MAIN(AboutWindowTest)
#include "about_window_test.moc"
