#include "edit/site_import.h"

#include <gtest/gtest.h>

#include "fakes/fake_file_dialogs.h"
#include "run/text.h"
#include "support/reporting_fixture.h"

namespace vz::test {
namespace {

using Names = std::vector<std::u16string>;

class SiteImportTest : public ::testing::Test, public Reporting
{
protected:
    /// The editor's table with these names (empty for an empty row) and 20 spare rows.
    void given(const Names& names)
    {
        table.rows.assign(names.size() + run::EditSiteTable::kSpareRows, {});
        table.SiteEnabled.assign(table.rows.size(), false);
        for (std::size_t row = 0; row < names.size(); ++row) {
            table.rows[row].IndexName = names[row];
            table.rows[row].NrPage = u"old13";
            table.rows[row].minPix = u"old14";
            table.SiteEnabled[row] = !names[row].empty();
        }
        state.EditSiteCount = static_cast<std::int16_t>(names.size());
    }
    /// Opens the import on the table as it stands, with a source of the given site lines.
    edit::SiteImport open(const std::string& siteLines)
    {
        writeBytes(source(), "J\t0\t/tmp/\tNOAUTO\tNODAILY\t\tNOCONTENTS\tNOSEPARATETOPICFILES\r\n" + siteLines);
        auto start = edit::prepareImport(text::fromPath(source()), table, state.EditSiteCount);
        return {std::move(start), table, state.EditSiteCount, reporter, fe, [this] { ++refreshed; }};
    }
    std::filesystem::path source() const { return dir.path() / "other.ini"; }
    Names names(std::size_t count) const
    {
        Names first;
        for (std::size_t row = 0; row < count; ++row) {
            first.push_back(table.rows.at(row).IndexName);
        }
        return first;
    }

    run::EditSiteTable table;
    int refreshed = 0;
};

const std::string kThreeSites = "X\thttp://x.test/\r\n"
                                "'Off\thttp://off.test/\r\n"
                                "Y\t1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\t12\t13\t14\t15\t16\r\n";

TEST_F(SiteImportTest, ImportAllAppendsEverySourceLineAfterTheLastRowInUse)
{
    // Row 1 was deleted, row 3 holds a blank name, and a site was typed into spare row 4.
    given({u"A", u"", u"C", u"  "});
    table.rows[4].IndexName = u"E";
    auto import = open(kThreeSites + "   \r\nZ\r\n");
    EXPECT_EQ(import.CurNrConfig(), u"3") << "a blank name is no name";
    ASSERT_TRUE(import.importAll());

    ASSERT_EQ(table.rows.size(), 30u);
    EXPECT_EQ(state.EditSiteCount, 10);
    EXPECT_EQ(fe.infos, std::vector<std::u16string>{u" 5件iniファイルに読み込みました。"});
    EXPECT_EQ(refreshed, 1);
    EXPECT_EQ(names(11), (Names{u"A", u"", u"C", u"  ", u"E", u"X", u"Off", u"Y", u"", u"Z", u""}));
    EXPECT_TRUE(table.SiteEnabled[5]);
    EXPECT_FALSE(table.SiteEnabled[6]) << "a switched-off source site arrives switched off";
    EXPECT_EQ(table.rows[7].minPix, u"14") << "fields past the fifteenth are dropped";
}

TEST_F(SiteImportTest, SelectModeListsALineWithoutTabWholeAndCountsNoMarkAsNone)
{
    given({u"A", u"B"});
    auto import = open(kThreeSites + "NoTab\r\n");
    import.enterSelectMode();
    EXPECT_EQ(import.sourceEntries(), (Names{u"X", u"Off", u"Y", u"NoTab"}));
    ASSERT_TRUE(import.importSelected({}));
    EXPECT_EQ(state.EditSiteCount, 2);
    EXPECT_EQ(fe.infos.back(), u" 0件iniファイルに読み込みました。");
}

TEST_F(SiteImportTest, ReplacementsAddUpOverTheTableAsItStandsAndKeepFieldsTheLineDoesNotReach)
{
    given({u"A", u"B"});
    auto import = open("P\t1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\t12\r\nQ\r\n");
    import.enterReplaceMode();
    ASSERT_TRUE(import.replace(0, 0));
    EXPECT_EQ(table.rows[0].IndexName, u"P");
    EXPECT_EQ(table.rows[0].PixOption, u"12");
    EXPECT_EQ(table.rows[0].NrPage, u"old13");

    table.rows[2].IndexName = u"typed meanwhile"; // in the configuration window
    ASSERT_TRUE(import.replace(1, 1));
    EXPECT_EQ(names(3), (Names{u"P", u"Q", u"typed meanwhile"})) << "the first replacement stays";
    EXPECT_EQ(fe.infos.back(), u"BをQで置き換えました。");
    EXPECT_EQ(import.destinationEntries(), (Names{u"P", u"Q", u"typed meanwhile"}));
    EXPECT_EQ(import.replacedName(0), u"A");
    EXPECT_EQ(import.replacedName(2), std::nullopt);
    ASSERT_TRUE(import.replace(0, 0));
    EXPECT_EQ(import.replacedName(0), u"A") << "the name before this window's first replacement";
    EXPECT_EQ(table.rows.size(), 22u);
    EXPECT_EQ(state.EditSiteCount, 2);
    EXPECT_EQ(refreshed, 3);
}

TEST_F(SiteImportTest, AFailingDialogAnUnreadableSourceOrAnOverfullTableIsReportedAndChangesNothing)
{
    FakeFileDialogs dialogs;
    dialogs.results = {{platform::FileDialogResult::Outcome::Failed, u"", u"no dialog"}};
    EXPECT_EQ(edit::chooseImportSource(dialogs, reporter, u"/e.ini", u"/"), std::nullopt);
    ASSERT_EQ(fe.errorLines.size(), 1u);
    EXPECT_EQ(fe.errorLines[0], run::errorListLine(u"no dialog", u"/e.ini", u"", u"cmdImport"));

    given({u"A"});
    auto gone = open(kThreeSites);
    std::filesystem::remove(source());
    EXPECT_FALSE(gone.importAll());
    gone.enterSelectMode();
    EXPECT_TRUE(gone.sourceEntries().empty());

    given(std::vector<std::u16string>(run::kMaxSiteLines - 1, u"S"));
    auto full = open(kThreeSites);
    EXPECT_FALSE(full.importAll());
    EXPECT_EQ(state.EditSiteCount, run::kMaxSiteLines - 1);
    EXPECT_EQ(table.rows.size(), static_cast<std::size_t>(run::kMaxSiteLines + 19));
    EXPECT_EQ(fe.errorLines.size(), 4u);
    EXPECT_TRUE(fe.infos.empty());
    EXPECT_EQ(refreshed, 0);
}

} // namespace
} // namespace vz::test
