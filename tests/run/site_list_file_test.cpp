#include "run/site_list_file.h"

#include <filesystem>

#include <gtest/gtest.h>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

#include "platform/cp932.h"
#include "run/file_helpers.h"
#include "run/site_list_options.h"
#include "run/text.h"
#include "run/text_file.h"
#include "support/reporting_fixture.h"
#include "support/temp_dir.h"

namespace vz::test {
namespace {

using run::EditSiteTable;
using run::RunSettings;
using run::SiteRecord;
using text::u;

SiteRecord site(const std::u16string& name)
{
    return run::parseSiteLine(name + u"\thttp://example.test/" + name + u"/index.html\t\t" + name +
                              u".html\t<!-- list -->\t<!-- /list -->\t<h1>\t</h1>\t <div class=\"body\">\t</div> "
                              u"\t\tRemoveTable\tKeepPix\t\t300");
}

using SiteListFileTest = ReportingTest;

TEST_F(SiteListFileTest, WrittenFileReadsBackWithSwitchedOffSitesAndIsExactlyTheStoredFormat)
{
    const std::u16string settingsLine = u"E\t12\t/tmp/news/\tNOAUTO\tDAILY\t\tCONTENTS\tNOSEPARATETOPICFILES\r\n";
    const RunSettings settings = run::parseSettingsLine(settingsLine.substr(0, settingsLine.size() - 2));
    EditSiteTable table;
    table.rows.resize(2 + EditSiteTable::kSpareRows);
    table.SiteEnabled.assign(table.rows.size(), false); // spare rows leave no line, not even a bare "'"
    table.rows[0] = site(u"朝刊");
    table.SiteEnabled[0] = true;
    table.rows[1] = site(u"夕刊");

    const std::u16string path = dir.folder() + u"sites.ini";
    ASSERT_TRUE(run::writeSiteListFile(reporter, path, settings, table, u"Config"));
    EXPECT_EQ(readBytes(dir.path() / "sites.ini"),
              platform::encodeCp932(settingsLine + run::siteLine(table.rows[0]) + u"\r\n'" +
                                    run::siteLine(table.rows[1]) + u"\r\n")
                  .bytes);

    const auto load = run::loadForEditing(reporter, path, u"Config");
    ASSERT_TRUE(load);
    EXPECT_EQ(load->settings, settings);
    EXPECT_EQ(load->EditSiteCount, 2);
    EXPECT_EQ(load->table.rows, table.rows);
    EXPECT_EQ(load->table.SiteEnabled, table.SiteEnabled);
    EXPECT_TRUE(fe.errorLines.empty());
}

TEST(SiteLine, KeepsFifteenFieldsAndLeavesMissingOnesEmpty)
{
    const SiteRecord wide = run::parseSiteLine(u"0\t1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\t12\t13\t14\t15\t16");
    EXPECT_EQ(wide.IndexName, u"0");
    EXPECT_EQ(wide.minPix, u"14");

    const SiteRecord narrow = run::parseSiteLine(u" a \tb\tc");
    EXPECT_EQ(narrow.IndexName, u" a ") << "site fields are not trimmed";
    EXPECT_EQ(narrow.ServerAddressHeader, u"c");
    EXPECT_EQ(narrow.FileName, u"");
    EXPECT_EQ(narrow.minPix, u"");
}

// Read back through the writer, whose form the round trip above holds.
TEST(SettingsLine, KeywordsAreTrimmedButCaseSensitive)
{
    EXPECT_EQ(
        run::settingsLine(run::parseSettingsLine(u"E\t5\t/data\t AUTO \tDAILY\t3\tCONTENTS\tSEPARATETOPICFILES ")),
        u"E\t5\t/data/\tAUTO\tDAILY\t3\tCONTENTS\tSEPARATETOPICFILES");
    EXPECT_EQ(run::settingsLine(run::parseSettingsLine(u"e\t5\t/data/\tauto\tNODAILY")),
              u"J\t5\t/data/\tNOAUTO\tNODAILY\t\tNOCONTENTS\tNOSEPARATETOPICFILES");
}

TEST(SiteTable, SkipsSwitchedOffLinesGivesABlankOneARowAndKeepsTheRowCount)
{
    const run::SiteTable table = run::buildSiteTable(
        {run::siteLine(site(u"A")), u"'B", u"", run::siteLine(site(u"C")), u"'D", run::siteLine(site(u"E"))}, 5);
    const SiteRecord none;
    EXPECT_EQ(table.rows, (std::vector{site(u"A"), none, site(u"C"), site(u"E"), none, none}));
}

TEST_F(SiteListFileTest, AFailedWriteKeepsTheOldFileAndIsReported)
{
    const auto file = dir.path() / "keep.ini";
    writeBytes(file, "old settings\r\n");
    // A file size limit makes the write fail half way, as a full disk would, even for root.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 16;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = run::writeTextFile(reporter, text::fromPath(file), std::u16string(200, u'x'), u"Config");
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(readBytes(file), "old settings\r\n");
    EXPECT_EQ(filesUnder(dir.path()).size(), 2u) << "the file and the log, and no temporary file";
    ASSERT_FALSE(fe.errorLines.empty());
    EXPECT_NE(fe.errorLines.back().find(u"元のファイルはそのままです。 : " + text::fromPath(file) +
                                        u"（ファイルの大きさの上限を超えました（EFBIG））"),
              std::u16string::npos)
        << text::toUtf8(fe.errorLines.back());
}

// LF-only lines and a last line without an end: the reader takes those too.
TEST_F(SiteListFileTest, AFileWithCharactersShiftJisCannotHoldIsWrittenAsUtf8AndReadsBackTheSame)
{
    const std::u16string path = dir.folder() + u"jörg.ini";
    const std::u16string content = u"J\t0\t/home/jörg/😀\n朝\thttp://a/\n'夕\thttp://b/";
    ASSERT_TRUE(run::writeTextFile(reporter, path, content, u"Config"));
    EXPECT_EQ(readBytes(text::toPath(path)), "\xEF\xBB\xBF" + text::toUtf8(content));
    const auto load = run::loadForEditing(reporter, path, u"Config");
    ASSERT_TRUE(load);
    EXPECT_EQ(load->settings.DataPath, u"/home/jörg/😀/");
    EXPECT_EQ(load->EditSiteCount, 2);
    EXPECT_EQ(load->table.rows[1].IndexName, u"夕");
    EXPECT_FALSE(load->table.SiteEnabled[1]);
    ASSERT_EQ(fe.errorLines.size(), 1u);
    EXPECT_NE(fe.errorLines[0].find(u"U+00F6 U+1F600"), std::u16string::npos);
}

TEST_F(SiteListFileTest, ReplacingAFileKeepsItsPermissionsAndTheLinkToIt)
{
    const auto real = dir.path() / "real.ini";
    writeBytes(real, "old\r\n");
    const auto ownerOnly = std::filesystem::perms::owner_read | std::filesystem::perms::owner_write;
    std::filesystem::permissions(real, ownerOnly);
    std::filesystem::create_symlink(real, dir.path() / "link.ini");
    ASSERT_TRUE(run::writeTextFile(reporter, dir.folder() + u"link.ini", u"new\r\n", u"Config"));
    EXPECT_EQ(readBytes(real), "new\r\n");
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "link.ini"));
    EXPECT_EQ(std::filesystem::status(real).permissions(), ownerOnly);
}

TEST(TextFile, ReadsUtf8WithoutAMarkAndEverythingElseAsCp932)
{
    EXPECT_EQ(run::decodeTextFile("\xE6\x9C\x9D\t\xE3\x83\x8B\xE3\x83\xA5\xE3\x83\xBC\xE3\x82\xB9"), u"朝\tニュース");
    EXPECT_EQ(run::decodeTextFile("\x92\xA9\t\x83\x6A\x83\x85\x81\x5B\x83\x58"), u"朝\tニュース");
    // A cut-off sequence, an overlong form, an encoded surrogate, a byte never used: no UTF-8.
    for (const std::string bytes : {"\xE6\x9C", "\xC0\xAF", "\xED\xA0\x80", "\xE6\x9C\x9D\xFF"}) {
        EXPECT_EQ(run::decodeTextFile(bytes), platform::decodeCp932(bytes)) << bytes;
    }
}

// Settings are read only from a regular file of sane size: a device or a pipe named by mistake is
// refused by name before a byte is read, and so is text that is no text.
TEST(TextFile, ReadsOnlyARegularFileOfSaneSizeHoldingText)
{
    TempDir dir;
    ::mkfifo((dir.path() / "pipe").c_str(), 0600);
    writeBytes(dir.path() / "nul.ini", std::string("J\t0\0\r\n", 6));
    writeBytes(dir.path() / "nine", "123456789");
    const struct
    {
        std::filesystem::path path;
        std::string error;
    } refused[] = {
        {"/dev/zero", "通常のファイルではありません（デバイスやパイプは読みません）"},
        {dir.path() / "pipe", "通常のファイルではありません（デバイスやパイプは読みません）"},
        {dir.path(), "フォルダです。ファイルを指定してください"},
        {dir.path() / "missing", "ファイルまたはフォルダがありません（ENOENT）"},
        {dir.path() / "nul.ini",
         "NUL 文字を含むため、テキストとして読めません（UTF-16 なら BOM を付けて保存してください）"},
    };
    for (const auto& c : refused) {
        std::string error;
        EXPECT_FALSE(run::readTextLines(c.path, error)) << c.path;
        EXPECT_EQ(error, c.error) << c.path;
    }
    EXPECT_EQ(run::readFileBytes(dir.path() / "nine", 8).error, "ファイルが大きすぎます（9 バイト、上限 8 バイト）");
    EXPECT_EQ(run::readFileBytes(dir.path() / "nine", 9).bytes, "123456789");
    // Windows editors save "Unicode" as UTF-16 with its mark, either byte order.
    EXPECT_EQ(run::decodeTextFile(std::string("\xFF\xFEJ\0\t\0\x1D\x67", 8)), u"J\t朝");
    EXPECT_EQ(run::decodeTextFile(std::string("\xFE\xFF\0J\0\t\x67\x1D", 8)), u"J\t朝");
}

TEST_F(SiteListFileTest, RefusesMoreSitesThanRowNumbersHold)
{
    writeBytes(dir.path() / "huge.ini", "J\t0\t/d\n" + std::string(run::kMaxSiteLines, '\n') + "s\n");
    EXPECT_FALSE(run::loadForEditing(reporter, dir.folder() + u"huge.ini", u"Config"));
    ASSERT_EQ(fe.errorLines.size(), 1u);
    EXPECT_NE(fe.errorLines[0].find(u"サイトが多すぎます。"), std::u16string::npos);
}

using run::SiteListOptions;

TEST(SiteListOptions, ReadsSwitchesAndKeepsWhatItDoesNotKnowOnRewrite)
{
    const SiteListOptions options =
        SiteListOptions::parse({u" epub = on ", u"vertical=ON", u"onlynew=on", u"# a note", u"vertical=off"});
    EXPECT_TRUE(options.epub());
    EXPECT_FALSE(options.vertical()); // the last of a key counts; values are exact
    EXPECT_TRUE(options.flag(u"onlynew"));

    SiteListOptions changed = options;
    changed.setFlag(SiteListOptions::kVertical, true);
    changed.setFlag(SiteListOptions::kEpub, true); // already on: its line stays as written
    changed.setFlag(u"never", false);              // off and absent: nothing added
    EXPECT_EQ(changed.text(), u" epub = on \r\nvertical=ON\r\nonlynew=on\r\n# a note\r\nvertical=on\r\n");
    EXPECT_TRUE(changed.vertical());
    EXPECT_FALSE(SiteListOptions{}.vertical());
    EXPECT_TRUE(SiteListOptions{}.empty());
}

using SiteListOptionsFileTest = ReportingTest;

TEST_F(SiteListOptionsFileTest, LiveBesideTheSiteListAndAreWrittenOnlyWhenThereIsSomethingToKeep)
{
    const std::u16string ini = dir.folder() + u"朝刊.ini";
    const std::filesystem::path file = dir.path() / "朝刊.ini.options";
    // No file: the defaults, and defaults leave no file behind.
    auto read = run::readSiteListOptions(reporter, ini, u"Config");
    ASSERT_TRUE(read);
    EXPECT_TRUE(read->empty());
    ASSERT_TRUE(run::writeSiteListOptions(reporter, ini, *read, u"Config"));
    EXPECT_FALSE(std::filesystem::exists(file));

    // LF and UTF-8 with its mark are read; the rewrite is CP932 with CR LF, unknown keys kept.
    writeBytes(file, "\xEF\xBB\xBF"
                     "epub=on\nmemo=\xE6\x9C\x9D\n");
    read = run::readSiteListOptions(reporter, ini, u"Config");
    ASSERT_TRUE(read);
    EXPECT_TRUE(read->epub());
    read->setFlag(SiteListOptions::kEpub, false);
    ASSERT_TRUE(run::writeSiteListOptions(reporter, ini, *read, u"Config"));
    EXPECT_EQ(readBytes(file), platform::encodeCp932(u"epub=off\r\nmemo=朝\r\n").bytes);

    // One that cannot be read is reported, not taken for the defaults.
    std::filesystem::remove(file);
    std::filesystem::create_directory(file);
    EXPECT_FALSE(run::readSiteListOptions(reporter, ini, u"INIT"));
    ASSERT_EQ(fe.errorLines.size(), 1u);
    EXPECT_NE(fe.errorLines[0].find(u"オプションファイル"), std::u16string::npos);
}

} // namespace
} // namespace vz::test
