#include <gtest/gtest.h>

#include "run/file_helpers.h"
#include "run/output_file_name.h"
#include "run/string_helpers.h"
#include "run/text.h"
#include "support/reporting_fixture.h"

namespace vz::test {
namespace {

using namespace vz::run;

TEST(TextHelpers, CutsClampInsteadOfReadingPastTheText)
{
    EXPECT_EQ(text::Mid(u"abcdef", 2, 3), u"bcd");
    EXPECT_EQ(text::Mid(u"abc", 3, 10), u"c");
    EXPECT_EQ(text::Mid(u"abc", 4, 1), u"");
    EXPECT_EQ(text::Mid(u"abc", 0, 2), u"ab");
    EXPECT_EQ(text::Mid(u"abc", 2, -1), u"");
    EXPECT_EQ(text::Left(u"abc", 5), u"abc");
    EXPECT_EQ(text::Right(u"abc", 2), u"bc");
    EXPECT_EQ(text::Right(u"abc", -2), u"");
    EXPECT_EQ(text::InStr(u"abcabc", u"c"), 3);
    EXPECT_EQ(text::InStr(4, u"abcabc", u"c"), 6);
    EXPECT_EQ(text::InStr(7, u"abcabc", u"c"), 0);
    EXPECT_EQ(text::InStr(u"", u""), 0) << "an empty text holds nothing, not even an empty marker";
    EXPECT_EQ(text::InStr(2, u"abc", u""), 2);
}

TEST(StringHelpers, CountMatchesLowersTheTextButNotThePattern)
{
    EXPECT_EQ(CountMatches(u"<A HREF=x><a href=y>", u"href"), 2);
    EXPECT_EQ(CountMatches(u"<A HREF=x><a href=y>", u"HREF"), 0);
    EXPECT_EQ(CountMatches(u"aaaa", u"aa"), 3) << "matches overlap";
    EXPECT_EQ(CountMatches(u"", u"a"), 0);
}

TEST(StringHelpers, VisibleCharsAndFileNameOnly)
{
    EXPECT_EQ(VisibleChars(u"'\t\t\t \r\n"), u"'");
    EXPECT_EQ(VisibleChars(u"日 本\x1F"), u"日本") << "double-byte characters stay";
    EXPECT_EQ(FileNameOnly(u" /home/a/sites.ini "), u"sites.ini");
    EXPECT_EQ(FileNameOnly(u"sites.ini"), u"sites.ini");
    EXPECT_EQ(FileNameOnly(u"/home/a/"), u"");
}

TEST(OutputFileName, OnlyAPlainNameOfTheDataFolderIsTaken)
{
    for (const char16_t* good : {u"news.html", u"a..b.html", u"日本.html", u".hidden"}) {
        EXPECT_FALSE(outputFileNameProblem(good)) << text::toUtf8(good);
    }
    for (const char16_t* bad : {u"", u".", u"..", u"../escaped.html", u"sub/a.html", u"/tmp/a.html", u"..\\a.html"}) {
        EXPECT_TRUE(outputFileNameProblem(bad)) << text::toUtf8(bad);
    }
}

TEST(StringHelpers, NumbersConvertAsTheSettingsFieldsExpect)
{
    EXPECT_EQ(CInt(u" 12 ").value, 12);
    EXPECT_EQ(CInt(u"2.5").value, 2) << "halves go to the even neighbour";
    EXPECT_EQ(CInt(u"3.5").value, 4);
    EXPECT_EQ(CInt(u"-32768").value, -32768);
    EXPECT_EQ(CInt(u"").error, u"型が一致しません。");
    EXPECT_EQ(CInt(u"12abc").error, u"型が一致しません。");
    EXPECT_EQ(CInt(u"40000").error, u"オーバーフローしました。");
    EXPECT_EQ(Val(u" 12abc"), 12.0);
    EXPECT_EQ(Val(u"abc"), 0.0);
    EXPECT_EQ(Val(u"-2.75x"), -2.75);
    EXPECT_EQ(roundToInt16(1e9), 32767);
}

using FileHelpersTest = ReportingTest;

TEST_F(FileHelpersTest, FoldersAreMadeAlongAPathQuietlyAndDeletedWithEverythingInThem)
{
    const std::u16string deep = dir.folder() + u"a/b/c/";
    DirCreate(reporter, deep);
    DirCreate(reporter, deep);
    DirCreate(reporter, dir.folder() + u"x/not-created");
    EXPECT_TRUE(DirExists(reporter, dir.folder() + u"x/"));
    EXPECT_FALSE(DirExists(reporter, dir.folder() + u"x/not-created")) << "text after the last slash is a name";

    writeBytes(dir.path() / "a" / "b" / "c" / "00001.gif", "GIF89a");
    FileCopy(reporter, deep + u"00001.gif", dir.folder() + u"copy.gif");
    DirDelete(reporter, dir.folder() + u"a");
    EXPECT_FALSE(DirExists(reporter, dir.folder() + u"a/"));
    EXPECT_EQ(readBytes(dir.path() / "copy.gif"), "GIF89a");
    EXPECT_TRUE(fe.errorLines.empty());
}

TEST_F(FileHelpersTest, FailuresAreReportedWithTheirOwnTexts)
{
    const std::u16string missing = dir.folder() + u"nothing.txt";
    FileDelete(reporter, missing);
    DirDelete(reporter, dir.folder() + u"nowhere");
    DirCreateOne(reporter, dir.folder() + u"no/such/parent");
    ASSERT_EQ(fe.errorLines.size(), 3u);
    EXPECT_EQ(fe.errorLines[0],
              u"I/O Error:FileDelete:" + missing + u":ファイルまたはフォルダがありません（ENOENT） :  : \r\n");
    EXPECT_EQ(fe.errorLines[1].rfind(u"I/O Error:DirDelete:", 0), 0u);
    EXPECT_NE(fe.errorLines[2].find(u"DirCreateOne : \r\n"), std::u16string::npos);
}

} // namespace
} // namespace vz::test
