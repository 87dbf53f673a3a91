#include "gather/epub_book.h"

#include <algorithm>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "run/text.h"
#include "support/reporting_fixture.h"
#include "support/zip_reader.h"

namespace vz::test {
namespace {

using text::u;

const std::string kGif = "GIF89a" + std::string(20, 'g');
const std::string kPng = "\x89PNG\r\n\x1A\n" + std::string(20, 'p');

bool has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

using EpubBookTest = ReportingTest;

TEST_F(EpubBookTest, HoldsTheChaptersOfWrittenPagesWithThePicturesTheyShow)
{
    std::filesystem::create_directory(dir.path() / "pix");
    writeBytes(dir.path() / "pix/00000.gif", kGif);
    writeBytes(dir.path() / "pix/00001.gif", kPng); // a PNG behind a GIF's name
    writeBytes(dir.path() / "pix/00002.bmp", "BM" + std::string(20, 'b'));
    writeBytes(dir.path() / "pix/00003.gif", kGif);

    gather::EpubBook book(dir.folder(), false);
    book.beginSite(u"地域");
    book.addArticle(u"<p><h4>朝市 &amp; 祭り</h4></p>本文<img src=\"pix/00000.gif\"><img src=\"pix/00001.gif\"> "
                    u"<img src=\"pix/00002.bmp\"><img src=\"pix/00009.gif\"><img src=\"pix/00000.gif\">",
                    false);
    book.endSite(true);
    book.beginSite(u"書けなかったサイト");
    book.addArticle(u"<p><h4>x</h4></p><img src=\"pix/00003.gif\">", false);
    book.endSite(false);
    book.beginSite(u"スポーツ");
    book.addArticle(u"\n\r見出し行\n\r本文 &lt;2&gt;\n\r\n\r", true);
    book.addArticle(u"<p><h4> </h4></p>x", false);
    book.endSite(true);
    book.beginSite(u"何もないサイト");
    book.endSite(true);

    EXPECT_EQ(book.articleCount(), 3);
    ASSERT_EQ(book.leftOutPictures().size(), 2u); // each once, however often it is shown
    EXPECT_EQ(book.leftOutPictures()[0], u"pix/00002.bmp（BMP）");
    EXPECT_EQ(book.leftOutPictures()[1].substr(0, 14), u"pix/00009.gif（"); // and the system's reason

    const auto info = gather::bookInfo(u"/home/a/朝刊.ini", {2026, 12, 7}, {2026, 12, 6, 21, 30, 5});
    const auto files = book.files(info);
    std::vector<std::string> names;
    for (const auto& file : files) {
        names.push_back(file.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"mimetype", "META-INF/container.xml", "EPUB/package.opf",
                                               "EPUB/nav.xhtml", "EPUB/style.css", "EPUB/site1.xhtml",
                                               "EPUB/site2.xhtml", "EPUB/pix/00000.gif", "EPUB/pix/00001.png"}));
    EXPECT_TRUE(files[0].stored);
    EXPECT_EQ(files.back().bytes, kPng);

    const std::string package = files[2].bytes;
    EXPECT_TRUE(has(package, "<dc:title>2026/12/07 朝刊</dc:title>"));
    EXPECT_TRUE(has(package, "<meta property=\"dcterms:modified\">2026-12-06T21:30:05Z</meta>"));
    EXPECT_TRUE(has(package, "href=\"pix/00001.png\" media-type=\"image/png\""));
    EXPECT_TRUE(has(package, "page-progression-direction=\"ltr\""));
    const std::string first = files[5].bytes;
    EXPECT_TRUE(has(first, "<h2>朝市 &amp; 祭り</h2>\n本文<img src=\"pix/00000.gif\" alt=\"\"/>"
                           "<img src=\"pix/00001.png\" alt=\"\"/> <img src=\"pix/00000.gif\" alt=\"\"/>"));
    const std::string second = files[6].bytes;
    EXPECT_TRUE(has(second, "<h1>スポーツ</h1>\n<section id=\"a1\">\n<h2>見出し行</h2>\n<p>本文 &lt;2&gt;</p>"));
    EXPECT_TRUE(has(second, "<h2>記事 2</h2>"));
    EXPECT_TRUE(has(files[3].bytes, "<a href=\"site2.xhtml#a2\">記事 2</a>"));
}

TEST(BookInfo, NamesTheSameSiteListOnTheSameDayTheSameBook)
{
    const auto a = gather::bookInfo(u"/a/sites.ini", {2026, 12, 7}, {});
    EXPECT_EQ(a.identifier, gather::bookInfo(u"/a/sites.ini", {2026, 12, 7, 23, 59}, {}).identifier);
    EXPECT_NE(a.identifier, gather::bookInfo(u"/a/sites.ini", {2026, 12, 8}, {}).identifier);
    EXPECT_NE(a.identifier, gather::bookInfo(u"/b/sites.ini", {2026, 12, 7}, {}).identifier);
    EXPECT_EQ(a.identifier.size(), 45u);
    EXPECT_EQ(a.identifier.substr(0, 9), u"urn:uuid:");
    EXPECT_EQ(gather::bookFileName({2026, 1, 2}), u"vodeZeva-2026-01-02.epub");
}

using MakeEpubTest = ReportingTest;

TEST_F(MakeEpubTest, WritesABookOnlyOfWhatWasGatheredAndSaysWhenItIsLarge)
{
    const auto info = gather::bookInfo(u"/a/sites.ini", {2026, 12, 7}, {2026, 12, 7});
    const std::filesystem::path path = dir.path() / "vodeZeva-2026-12-07.epub";
    gather::EpubBook empty(dir.folder(), true);
    gather::MakeEpub(state, empty, info, reporter);
    EXPECT_FALSE(std::filesystem::exists(path));

    gather::EpubBook book(dir.folder(), true);
    book.beginSite(u"a");
    book.addArticle(u"<p><h4>h</h4></p>" + std::u16string(3000, u'本'), false);
    book.endSite(true);
    gather::MakeEpub(state, book, info, reporter, 1000);
    const auto files = readZip(readBytes(path));
    ASSERT_TRUE(files);
    EXPECT_EQ(files->front().name, "mimetype");
    EXPECT_EQ(files->front().extraFields, 0);
    EXPECT_TRUE(has(fileIn(*files, "EPUB/package.opf"), "page-progression-direction=\"rtl\""));
    EXPECT_TRUE(has(fileIn(*files, "EPUB/style.css"), "writing-mode: vertical-rl"));

    std::u16string reports;
    for (const auto& line : fe.errorLines) {
        reports += line;
    }
    EXPECT_NE(reports.find(u"EPUB は作りませんでした"), std::u16string::npos);
    EXPECT_NE(reports.find(u"50 MB を超えました"), std::u16string::npos);
    EXPECT_EQ(reporter.writeFailures(), 0);

    // A book that cannot be put in place is reported and leaves no half of itself behind.
    gather::EpubBook other(dir.folder(), false);
    other.beginSite(u"b");
    other.addArticle(u"x", false);
    other.endSite(true);
    const auto tomorrow = gather::bookInfo(u"/a/sites.ini", {2026, 12, 8}, {2026, 12, 8});
    std::filesystem::create_directories(dir.path() / "vodeZeva-2026-12-08.epub/in");
    gather::MakeEpub(state, other, tomorrow, reporter);
    EXPECT_EQ(reporter.writeFailures(), 1);
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        left.push_back(entry.path().filename().string());
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"vodeZeva-2026-12-07.epub", "vodeZeva-2026-12-08.epub", "vodeZeva.log"}));
}

} // namespace
} // namespace vz::test
