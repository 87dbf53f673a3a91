#include "gather/startup.h"

#include <filesystem>

#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/cp932.h"
#include "run/text.h"
#include "support/reporting_fixture.h"

namespace vz::test {
namespace {

using gather::InitResult;
using text::toUtf8;

class StartupTest : public ::testing::Test, public Reporting
{
protected:
    StartupTest() { state.CurrentIniPath = dir.folder() + u"sites.ini"; }

    void writeIni(const std::string& settings, const std::string& sites = "")
    {
        writeBytes(dir.path() / "sites.ini", settings + "\r\n" + sites);
    }
    std::string data() const { return toUtf8(dir.folder()) + "data"; }

    FakeClock clock; // Monday 2026-12-07 06:30:05
    gather::RunValues values;
    gather::Services services{clock, fe, fe, fe, reporter};
};

TEST_F(StartupTest, InitLoadsSettingsAndSwitchedOnSites)
{
    writeIni("E\t 12 \t" + data() + "\tAUTO\tNODAILY\t3\tCONTENTS\tSEPARATETOPICFILES",
             "One\thttp://a/\r\n'Off\thttp://b/\r\nTwo\thttp://c/\r\n");
    ASSERT_EQ(gather::Init(state, values, services), InitResult::Ready);
    EXPECT_EQ(values.fitting.FitToScreen, u"E");
    EXPECT_EQ(values.fitting.NrLtrLine, 12);
    EXPECT_FLOAT_EQ(values.fitting.LetterWidths[u'W' - u'A'], 1.7F);
    EXPECT_EQ(state.DataPath, dir.folder() + u"data/");
    EXPECT_TRUE(state.AutoStart);
    EXPECT_FALSE(state.DailySort);
    EXPECT_EQ(state.LastArticleIndex, 2);
    EXPECT_TRUE(state.Contents);
    EXPECT_TRUE(state.SeparateTopicFiles);
    EXPECT_EQ(state.SiteCount, 3);
    ASSERT_EQ(values.SiteTable.rows.size(), 4u);
    EXPECT_EQ(values.SiteTable.rows[1].IndexName, u"Two");
    EXPECT_EQ(values.StandardHead, gather::standardHead());
    EXPECT_FALSE(values.options.epub()); // no options file: the defaults

    // The options beside the file come with it; options that cannot be read are reported and
    // leave the defaults, so the pages come out as ever.
    writeBytes(dir.path() / "sites.ini.options", "epub=on\r\nvertical=on\r\n");
    ASSERT_EQ(gather::Init(state, values, services), InitResult::Ready);
    EXPECT_TRUE(values.options.vertical());
    std::filesystem::remove(dir.path() / "sites.ini.options");
    std::filesystem::create_directories(dir.path() / "sites.ini.options/x");
    ASSERT_EQ(gather::Init(state, values, services), InitResult::Ready);
    EXPECT_FALSE(values.options.epub());
    EXPECT_NE(fe.errorLines.back().find(u"INIT"), std::u16string::npos);
}

TEST_F(StartupTest, DailyFoldersAreCreatedAndTheLogIsReplacedBeforeTheyAreReported)
{
    writeIni("J\t0\t" + data() + "/\tNOAUTO\tDAILY\t\tNOCONTENTS\tNOSEPARATETOPICFILES", "S\thttp://a/\r\n");
    ASSERT_EQ(gather::Init(state, values, services), InitResult::Ready);
    EXPECT_EQ(state.DataPath, dir.folder() + u"data/261207/");
    EXPECT_EQ(state.LastArticleIndex, 9999);
    EXPECT_EQ(readBytes(dir.path() / "data" / "261207" / "vodeZeva.log"),
              platform::encodeCp932(u"vodeZeva :2026/12/07 06:30:05\r\nディレクトリを作成しました。 : " +
                                    state.DataPath + u"  : Init\r\n")
                  .bytes);

    // A second Init on the same day finds the folder, replaces the log and removes old pictures.
    std::filesystem::create_directories(dir.path() / "data" / "261207" / "pix");
    writeBytes(dir.path() / "data" / "261207" / "pix" / "00000.gif", "GIF89a");
    clock.time.second = 9;
    ASSERT_EQ(gather::Init(state, values, services), InitResult::Ready);
    EXPECT_EQ(readBytes(dir.path() / "data" / "261207" / "vodeZeva.log"), "vodeZeva :2026/12/07 06:30:09\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "data" / "261207" / "pix"));
}

TEST_F(StartupTest, AMissingSiteListIsCreatedAndTheConfigurationOpensWhileItHoldsNoSites)
{
    ASSERT_EQ(gather::Init(state, values, services), InitResult::NoSites);
    EXPECT_EQ(readBytes(dir.path() / "sites.ini"),
              "J\t0\t/tmp/news\tNOAUTO\tNODAILY\t\tNOCONTENTS\tNOSEPARATEFILES\r\n");
    EXPECT_EQ(fe.infos, std::vector<std::u16string>{gather::noSitesMessage(state.CurrentIniPath)});
    EXPECT_EQ(fe.configOpened, 1);
    EXPECT_EQ(state.EditIniPath, state.CurrentIniPath);

    writeIni("J\t0\t" + data());
    state.EditIniPath.clear();
    ASSERT_EQ(gather::Init(state, values, services), InitResult::NoSites);
    EXPECT_EQ(fe.configOpened, 2);
    EXPECT_EQ(state.EditIniPath, state.CurrentIniPath);
    EXPECT_EQ(state.SiteCount, 0);
    EXPECT_TRUE(values.SiteTable.rows.empty());

    // A site list in a folder that is not there is a mistake, named as such; nothing is created.
    state.CurrentIniPath = dir.folder() + u"gone/today.ini";
    EXPECT_EQ(gather::Init(state, values, services), InitResult::Failed);
    EXPECT_EQ(fe.errorLines.back(), u"サイトリストファイルがありません。 : " + state.CurrentIniPath + u"（フォルダ " +
                                        dir.folder() + u"gone/ がありません） : INIT\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "gone"));
}

TEST_F(StartupTest, BadSettingsAreReportedUnderInit)
{
    const struct
    {
        std::string settings;
        std::u16string error;
    } cases[] = {
        {"J\tten\t" + data(), u"型が一致しません。 : @ の 1 行目（１行文字数（NrLtrLine） が「ten」） : INIT\r\n"},
        {"J\t0\t" + data() + "\tNOAUTO\tNODAILY\t99999",
         u"オーバーフローしました。 : @ の 1 行目（ダウンロードする記事数（NrPage） が「99999」） : INIT\r\n"},
    };
    for (const auto& c : cases) {
        fe.errorLines.clear();
        writeIni(c.settings, "S\thttp://a/\r\n");
        EXPECT_EQ(gather::Init(state, values, services), InitResult::Failed) << c.settings;
        ASSERT_FALSE(fe.errorLines.empty()) << c.settings;
        std::u16string expected = c.error;
        expected.replace(expected.find(u'@'), 1, state.CurrentIniPath);
        EXPECT_EQ(fe.errorLines.back(), expected) << c.settings;
    }

    // Without a data folder the pages go to the program folder, not wherever the program started.
    writeIni("J\t0\t", "S\thttp://a/\r\n");
    EXPECT_EQ(gather::Init(state, values, services), InitResult::Ready);
    EXPECT_EQ(state.DataPath, state.ProgramFolder);

    writeBytes(dir.path() / "sites.ini", "");
    fe.errorLines.clear();
    EXPECT_EQ(gather::Init(state, values, services), InitResult::Failed);
    ASSERT_EQ(fe.errorLines.size(), 2u);
    EXPECT_NE(fe.errorLines[0].find(u"CountLine"), std::u16string::npos);
    EXPECT_NE(fe.errorLines[1].find(u"INIT"), std::u16string::npos);
}

// Another program's run on the data folder keeps it: Init touches nothing there and says who holds
// it. Once free, Init takes it and clears what a killed run left.
TEST_F(StartupTest, InitTakesTheDataFolderOrSaysWhoHoldsIt)
{
    writeIni("J\t0\t" + data(), "S\thttp://a/\r\n");
    std::filesystem::create_directories(dir.path() / "data" / "pix");
    writeBytes(dir.path() / "data" / "vodeZeva.log", "the other run's log");
    writeBytes(dir.path() / "data" / "s.html.tmp-123", "half a page");
    writeBytes(dir.path() / "data" / "notes.tmp-x", "not ours");
    platform::LockAttempt other = platform::FileLock::take(dir.path() / "data" / "vodeZeva.lock", "other");
    ASSERT_TRUE(other.lock.held());

    EXPECT_EQ(gather::Init(state, values, services), InitResult::Busy);
    EXPECT_EQ(readBytes(dir.path() / "data" / "vodeZeva.log"), "the other run's log");
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "data" / "pix"));
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "data" / "s.html.tmp-123"));
    ASSERT_FALSE(fe.errorLines.empty());
    EXPECT_EQ(fe.errorLines.back(), u"データフォルダは別の vodeZeva が使用中です。終わってから実行してください。 : " +
                                        text::fromUtf8(data()) + u"/（プロセス " +
                                        text::number(static_cast<long long>(::getpid())) + u"、other） : INIT\r\n");

    other.lock.release();
    EXPECT_EQ(gather::Init(state, values, services), InitResult::Ready);
    EXPECT_TRUE(values.dataFolderLock.held());
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "data" / "s.html.tmp-123"));
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "data" / "notes.tmp-x"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "data" / "pix"));
}

TEST_F(StartupTest, StartUpWithoutASiteListForTodayReportsUnderFormLoad)
{
    // An empty entry for today, a line that is no entry, and random bytes: none names a file, and
    // nothing is created, neither here nor in the current folder.
    const std::filesystem::path cwd = std::filesystem::current_path();
    const auto before = std::distance(std::filesystem::directory_iterator(cwd), {});
    for (const std::string& table :
         {std::string("second garbage\r\n"), std::string("\x8e\xa0\x01\xff\n\x7f"), std::string("1\t\r\n")}) {
        writeBytes(dir.path() / "vodeZeva.def", table);
        EXPECT_EQ(gather::startUp(state, values, services, dir.folder()), gather::StartUpResult::NoIniFile);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2) << "the table and the log";
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(cwd), {}), before);
    EXPECT_EQ(platform::decodeCp932(readBytes(dir.path() / "vodeZeva.log")),
              u"vodeZeva :2026/12/07 06:30:05\r\nNo .ini file defined on this week of day : " + dir.folder() +
                  u"vodeZeva.def （今日（1）の行にファイルの名前がありません） : FormLoad\r\n");
    EXPECT_EQ(fe.captions.front(), u"vodeZeva.def");
}

TEST_F(StartupTest, FirstStartCreatesTheWeekdayTableAndTheSiteList)
{
    state = {};
    const std::u16string folder = dir.folder();
    EXPECT_EQ(gather::startUp(state, values, services, u" " + folder.substr(0, folder.size() - 1) + u" "),
              gather::StartUpResult::NoSites);
    EXPECT_EQ(state.ProgramFolder, folder);
    EXPECT_EQ(state.CurrentIniPath, folder + u"vodeZeva.ini");
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "vodeZeva.def"));
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "vodeZeva.ini"));
    EXPECT_EQ(fe.captions.back(), u"vodeZeva.ini");
    EXPECT_EQ(fe.infos.size(), 2u);
}

} // namespace
} // namespace vz::test
