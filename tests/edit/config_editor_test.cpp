#include "edit/config_editor.h"

#include <filesystem>
#include <tuple>

#include <gtest/gtest.h>

#include "editor_fixture.h"

namespace vz::test {
namespace {

using Outcome = platform::FileDialogResult::Outcome;

TEST_F(EditorTest, PagesStepByTenUpToThePageWhollyInTheSpareRowsAndKeepWhatWasTyped)
{
    openWithSites("a.ini", 25);
    std::vector<int> tops{editor.CurrentTop()};
    editor.setSiteName(2, u"typed");
    while (editor.fwdEnabled()) {
        editor.nextPage();
        tops.push_back(editor.CurrentTop());
    }
    EXPECT_EQ(tops, (std::vector<int>{0, 10, 20, 30}));
    EXPECT_EQ(editor.page()[9], (edit::PageRow{false, u"", u"", true})) << "row 39 is the table's last spare row";
    editor.previousPage();
    editor.previousPage();
    editor.previousPage();
    EXPECT_EQ(editor.page()[2].SiteName, u"typed");
}

TEST_F(EditorTest, DeletingLeavesAnEmptySwitchedOffRowAndTheRowsBelowInPlace)
{
    openWithSites("a.ini", 6);
    editor.setSiteName(0, u"typed since the last store");
    fe.answers = {false, true};
    editor.deleteRow(3);
    EXPECT_EQ(editor.page()[3].SiteName, u"S3") << "cancelled";
    editor.deleteRow(3);
    EXPECT_EQ(editor.page()[3], (edit::PageRow{false, u"", u"", true}));
    EXPECT_EQ(editor.page()[4].SiteName, u"S4");
    EXPECT_EQ(editor.page()[0].SiteName, u"typed since the last store") << "typing on other rows stays";

    fe.answers = {true};
    ASSERT_TRUE(editor.OK());
    editor.requestOpen(path("a.ini"), false);
    EXPECT_EQ(editor.EditSiteCount(), 5);
    EXPECT_EQ(editor.page()[3].SiteName, u"S4");
}

TEST_F(EditorTest, CheckAllAndUncheckAllLeaveTheSpareRowsAloneAndKeepWhatWasTyped)
{
    openWithSites("a.ini", 2);
    editor.setValid(5, true);
    editor.setSiteName(5, u"new");
    editor.setFileName(0, u"typed.html");
    editor.uncheckAll();
    EXPECT_EQ(editor.page()[0].FileName, u"typed.html");
    EXPECT_EQ(editor.page()[5].SiteName, u"new");
    EXPECT_FALSE(editor.page()[1].valid);
    EXPECT_TRUE(editor.page()[5].valid);
    editor.checkAll();
    EXPECT_TRUE(editor.page()[1].valid);
    EXPECT_FALSE(editor.page()[2].valid);
}

TEST_F(EditorTest, AFileThatCannotBeWrittenIsReportedAndTheWindowKeepsItsEditsAndTheWeekdayTable)
{
    openWithSites("a.ini", 1);
    editor.setSiteName(0, u"edited");
    const std::string days = readBytes(dir.path() / "vodeZeva.def");
    dialogs.results = {{Outcome::Chosen, path("missing/b.ini"), u""}};
    fe.answers = {true};
    EXPECT_FALSE(editor.saveAs());
    EXPECT_TRUE(editor.isOpen());
    EXPECT_EQ(state.EditIniPath, path("a.ini")) << "the window stays on its own file";
    EXPECT_NE(fe.errorLines.at(0).find(u"cmdSaveAs"), std::u16string::npos);
    EXPECT_EQ(dialogs.asked.at(0).initialName, dir.folder() + u"*.ini") << "beside the file";
    EXPECT_EQ(readBytes(dir.path() / "vodeZeva.def"), days) << "no day names the file that was not written";
    EXPECT_EQ(editor.days.DayIni, run::WeekdayTable{});

    std::filesystem::remove(dir.path() / "a.ini");
    std::filesystem::create_directory(dir.path() / "a.ini"); // a file can no longer be put there
    fe.answers = {true};
    EXPECT_FALSE(editor.OK());
    EXPECT_TRUE(editor.isOpen());
    EXPECT_NE(fe.errorLines.back().find(u"cmdOK"), std::u16string::npos);
    EXPECT_TRUE(editor.hasUnsavedChanges());
    EXPECT_EQ(editor.page()[0].SiteName, u"edited");
}

TEST_F(EditorTest, AFileThatCouldNotBeReadIsNotReplacedByAnEmptyTable)
{
    std::string many = "J\t0\t/d/\r\n";
    for (int i = 0; i <= run::kMaxSiteLines; ++i) {
        many += "s\r\n";
    }
    writeBytes(dir.path() / "big.ini", many);
    editor.requestOpen(path("big.ini"), false);
    fe.answers = {true};
    EXPECT_FALSE(editor.OK());
    EXPECT_EQ(readBytes(dir.path() / "big.ini"), many);
    EXPECT_NE(fe.errorLines.back().find(u"cmdOK"), std::u16string::npos);
}

TEST_F(EditorTest, ARequestForAnotherFileAsksOnlyWhenTheTableHoldsUnsavedChanges)
{
    openWithSites("a.ini", 1);
    openWithSites("b.ini", 2);
    EXPECT_TRUE(fe.questions.empty()) << "nothing changed in a.ini";

    editor.setFileName(1, u"changed.html");
    fe.answers = {false};
    EXPECT_EQ(editor.requestOpen(path("a.ini"), false), edit::ConfigEditor::OpenOutcome::Refused);
    EXPECT_EQ(state.EditIniPath, path("b.ini"));
    EXPECT_EQ(editor.requestOpen(path("b.ini"), true), edit::ConfigEditor::OpenOutcome::BroughtToFront);
    EXPECT_EQ(editor.page()[1].FileName, u"changed.html");

    fe.answers = {true};
    EXPECT_EQ(editor.requestOpen(path("a.ini"), false), edit::ConfigEditor::OpenOutcome::Opened);
    EXPECT_EQ(fe.questions.size(), 2u);
    EXPECT_EQ(editor.EditSiteCount(), 1);
    EXPECT_NE(readFile("b.ini").find(u"f1.html"), std::u16string::npos) << "b.ini was not written";
}

TEST_F(EditorTest, TheDetailWindowStaysOnItsRowAndClosesWithTheConfigurationWindow)
{
    openWithSites("a.ini", 3);
    editor.openDetail(0);
    editor.openDetail(2);
    EXPECT_EQ(editor.detail().row(), 2);
    fe.answers = {true};
    editor.deleteRow(2);
    EXPECT_EQ(editor.detail().form.fields.IndexName, u"") << "shows the row it would store into";

    editor.openDetail(1);
    editor.detail().form.fields.IndexName = u"changed";
    fe.answers = {true};
    ASSERT_TRUE(editor.detail().close());
    EXPECT_EQ(editor.page()[1].SiteName, u"S1") << "closed without storing";

    editor.openDetail(1);
    fe.answers = {true};
    ASSERT_TRUE(editor.close());
    EXPECT_FALSE(editor.detail().isOpen());

    openWithSites("a.ini", 12);
    editor.nextPage();
    editor.openDetail(1);
    editor.tableReplaced();
    EXPECT_TRUE(editor.detail().isOpen() && editor.detail().row() == 11) << "an import moves no row";
    EXPECT_EQ(editor.CurrentTop(), 0);
}

TEST_F(EditorTest, ValuesThatCannotRunAreRefusedNamingTheFieldAndASharedOutputFileIsAskedAbout)
{
    // NrLtrLine, the file name typed on row 1, whether OK may save, the message's beginning.
    const std::tuple<std::u16string, std::u16string, bool, std::u16string> cases[] = {
        {u"abc", u"f1.html", false, u"１行文字数には"},
        {u"40000", u"f1.html", false, u"１行文字数には"},
        {u"12", u"../f1.html", false, u"2行目「S1」の出力ファイル名: "},
        {u"12", u"sub/f1.html", false, u"2行目「S1」の出力ファイル名: "},
        {u"12", u"..", false, u"2行目「S1」の出力ファイル名: "},
        {u"12", u"", true, u""}, // still being entered
        {u"12", u"f0.html", true, u"1行目「S0」と2行目「S1」が同じ出力ファイル「f0.html」に書き込みます。"},
    };
    for (const auto& [letters, fileName, saves, message] : cases) {
        openWithSites("a.ini", 2);
        editor.settings.NrLtrLine = letters;
        editor.setFileName(1, fileName);
        fe = {};
        fe.answers = {true, true};
        EXPECT_EQ(editor.OK(), saves) << text::toUtf8(letters + u" " + fileName);
        const std::u16string shown = fe.alerts.empty() ? fe.questions.front() : fe.alerts.front();
        EXPECT_TRUE(shown.starts_with(message)) << text::toUtf8(shown);
        EXPECT_EQ(editor.isOpen(), !saves);
    }
    EXPECT_EQ(editor.pageCount(), 2);
    EXPECT_EQ(editor.pageNumber(), 1);
}

TEST_F(EditorTest, TheTitleBarAsksOnlyWhenThereIsSomethingToLose)
{
    openWithSites("a.ini", 1);
    editor.openDetail(0);
    EXPECT_FALSE(editor.hasUnsavedChanges());
    editor.detail().form.fields.IndexName = u"typed in the detail window";
    EXPECT_TRUE(editor.hasUnsavedChanges());
    fe.answers = {false};
    EXPECT_FALSE(editor.OK()) << "saving would close the detail window and lose what it holds";
    EXPECT_TRUE(fe.questions.at(0).starts_with(u"詳細画面で変えたところは"));
    editor.detail().closeQuietly();
    fe = {};
    EXPECT_TRUE(editor.closedByTitleBar());
    EXPECT_TRUE(fe.questions.empty());
    openWithSites("a.ini", 1);
    editor.setSiteName(0, u"typed");
    fe.answers = {false};
    EXPECT_FALSE(editor.closedByTitleBar());
    EXPECT_EQ(fe.questions, std::vector<std::u16string>{u"変更を保存せずこの画面を閉じてもいいですか?"});
    EXPECT_TRUE(editor.isOpen());
}

TEST(DetailForm, CountsAndOutputFileNamesAreCheckedNamingTheField)
{
    // NrPage, minPix, FileName, the problem's beginning (empty: none).
    const std::tuple<std::u16string, std::u16string, std::u16string, std::u16string> cases[] = {
        {u"", u"", u"a.html", u""},
        {u" 5 ", u"300", u"a.html", u""},
        {u"five", u"", u"a.html", u"ダウンロード記事数"},
        {u"-1", u"", u"a.html", u"ダウンロード記事数"},
        {u"", u"1.5", u"a.html", u"最小サイズ"},
        {u"", u"", u"../a.html", u"出力ファイル名"},
    };
    for (const auto& [nrPage, minPix, fileName, problem] : cases) {
        edit::DetailForm form;
        form.fields.IndexName = u"Site";
        form.fields.NrPage = nrPage;
        form.fields.minPix = minPix;
        form.fields.FileName = fileName;
        EXPECT_EQ(form.problem().value_or(u"").substr(0, problem.size()), problem) << text::toUtf8(nrPage + minPix);
    }
}

TEST(DetailForm, TableOptionsMapToTheirButtonsAndOtherTextsToKeepingTables)
{
    using C = edit::DetailForm::TableChoice;
    const std::pair<std::u16string, C> cases[] = {
        {u"RemoveTable", C::optAllTable}, {u"RemoveTableTag", C::optTableTag}, {u"removetable", C::optKeepTable}};
    for (const auto& [option, choice] : cases) {
        run::SiteRecord row;
        row.IndexName = u"'Name";
        row.TableOption = option;
        const edit::DetailForm form = edit::DetailForm::fromRow(row);
        EXPECT_EQ(form.table, choice);
        EXPECT_EQ(form.fields.IndexName, u"Name");
        EXPECT_EQ(form.toRow().TableOption, choice == C::optKeepTable ? u"" : option);
    }
}

TEST_F(EditorTest, TheOptionsBesideTheFileAreLoadedAndSavedWithItUnderItsNewNameToo)
{
    // A file that never had options gets none when they stay off.
    openWithSites("plain.ini", 1);
    EXPECT_FALSE(editor.options.epub());
    EXPECT_FALSE(editor.verticalEnabled());
    fe.answers = {true};
    ASSERT_TRUE(editor.OK());
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "plain.ini.options"));

    writeBytes(dir.path() / "a.ini.options", "epub=on\nkept=1\n");
    openWithSites("a.ini", 1);
    EXPECT_TRUE(editor.options.epub());
    EXPECT_TRUE(editor.verticalEnabled());
    EXPECT_FALSE(editor.hasUnsavedChanges());
    editor.setVertical(true);
    EXPECT_TRUE(editor.hasUnsavedChanges());
    dialogs.results = {{Outcome::Chosen, path("b.ini"), u""}};
    fe.answers = {true};
    ASSERT_TRUE(editor.saveAs());
    EXPECT_EQ(readBytes(dir.path() / "b.ini.options"), "epub=on\r\nkept=1\r\nvertical=on\r\n");
    EXPECT_EQ(readBytes(dir.path() / "a.ini.options"), "epub=on\nkept=1\n") << "the file loaded stays as it was";

    // Switched off, the options are written all the same: the file holds them.
    openWithSites("a.ini", 1);
    editor.setEpub(false);
    fe.answers = {true};
    ASSERT_TRUE(editor.OK());
    EXPECT_EQ(readBytes(dir.path() / "a.ini.options"), "epub=off\r\nkept=1\r\n");

    // Options that could not be read are not replaced.
    std::filesystem::remove(dir.path() / "a.ini.options");
    std::filesystem::create_directories(dir.path() / "a.ini.options/x");
    openWithSites("a.ini", 1);
    fe.answers = {true};
    EXPECT_FALSE(editor.OK());
    EXPECT_NE(fe.errorLines.back().find(u"オプションファイル"), std::u16string::npos);
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "a.ini.options"));
}

} // namespace
} // namespace vz::test
