#include "edit/config_editor.h"

#include <filesystem>

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
    EXPECT_EQ(editor.page()[0].SiteName, u"S0") << "the page is not stored before a deletion";

    fe.answers = {true};
    ASSERT_TRUE(editor.OK());
    editor.requestOpen(path("a.ini"), false);
    EXPECT_EQ(editor.EditSiteCount(), 5);
    EXPECT_EQ(editor.page()[3].SiteName, u"S4");
}

TEST_F(EditorTest, CheckAllAndUncheckAllLeaveTheSpareRowsAlone)
{
    openWithSites("a.ini", 2);
    editor.setValid(5, true);
    editor.setSiteName(5, u"new");
    editor.openDetail(5); // stores the page
    editor.uncheckAll();
    EXPECT_FALSE(editor.page()[1].valid);
    EXPECT_TRUE(editor.page()[5].valid);
    editor.checkAll();
    EXPECT_TRUE(editor.page()[1].valid);
    EXPECT_FALSE(editor.page()[2].valid);
}

TEST_F(EditorTest, AFileThatCannotBeWrittenIsReportedAndTheWindowKeepsItsEdits)
{
    openWithSites("a.ini", 1);
    editor.setSiteName(0, u"edited");
    dialogs.results = {{Outcome::Chosen, path("missing/b.ini"), u""}};
    fe.answers = {true};
    EXPECT_FALSE(editor.saveAs());
    EXPECT_TRUE(editor.isOpen());
    EXPECT_EQ(state.EditIniPath, path("a.ini")) << "the window stays on its own file";
    EXPECT_NE(fe.errorLines.at(0).find(u"cmdSaveAs"), std::u16string::npos);

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
    editor.table().rows.erase(editor.table().rows.begin()); // an import moved the rows
    editor.table().SiteEnabled.erase(editor.table().SiteEnabled.begin());
    editor.tableReplaced();
    EXPECT_FALSE(editor.detail().isOpen());
    EXPECT_EQ(editor.CurrentTop(), 0);
    EXPECT_EQ(editor.page()[0].SiteName, u"S1");
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

} // namespace
} // namespace vz::test
