// Every end-to-end case of data/e2e gathered again with the book on, horizontal and vertical: the
// pages stay as the case expects them (the contents page gains only its link to the book, the log
// only the book's lines), the book lists every gathered article in the order of the pages, holds
// the pictures they show, carries as text what the pages could only write as references, and
// passes the EPUB checker (Debian's epubcheck, skipped when it is not installed) without an error
// or a warning. So does the book of a site of hostile markup run together at random. The checker
// is a Java program slow to start, so all books are checked at the end, as many at once as there
// are processors.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <future>
#include <map>
#include <optional>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <sys/wait.h>

#include "cli/headless_command.h"
#include "cli/headless_front_end.h"
#include "extract/xhtml_markup.h"
#include "fakes/fake_front_end.h"
#include "platform/concurrent_fetcher.h"
#include "platform/cp932.h"
#include "run/text.h"
#include "support/pieces.h"
#include "support/temp_dir.h"
#include "support/test_http_server.h"
#include "support/zip_reader.h"
#include "test_paths.h"

namespace vz::test {
namespace {

namespace fs = std::filesystem;

const fs::path kCases = fs::path(kDataDir) / "e2e";
const fs::path kEpubcheck = "/usr/share/java/epubcheck.jar";
const std::string kRule = " <hr noshade='noshade'  size=2 ><p></p>\r\n";

std::string utf8(const std::string& cp932)
{
    return text::toUtf8(platform::decodeCp932(cp932));
}

std::vector<std::string> split(const std::string& text, const std::string& separator)
{
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(separator, from)) != std::string::npos; from = at + separator.size()) {
        parts.push_back(text.substr(from, at - from));
    }
    parts.push_back(text.substr(from));
    return parts;
}

/// Text as a reader sees it, so that page and book can be compared: references read, blanks
/// (which fitting to a small screen adds) gone.
std::string seen(const std::string& text)
{
    std::string out = text::toUtf8(extract::readCharacterReferences(text::fromUtf8(text)));
    std::erase_if(out, [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
    return out;
}

struct Site
{
    std::string name;
    std::string file;
    bool plainText = false;
};

struct SiteList
{
    std::vector<Site> sites;
    bool separateFiles = false;
};

SiteList readSiteList(const std::string& cp932)
{
    SiteList list;
    const auto lines = split(utf8(cp932), "\r\n");
    list.separateFiles = lines.front().find("\tSEPARATETOPICFILES") != std::string::npos;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        auto fields = split(lines[i], "\t");
        fields.resize(15);
        if (!fields[0].empty() && fields[0][0] != '\'') {
            list.sites.push_back({fields[0], fields[3], fields[10] == "RemoveAll"});
        }
    }
    return list;
}

/// The headlines of the articles a site page holds, in order, as a reader sees them.
std::vector<std::string> pageHeadlines(const Site& site, const SiteList& list,
                                       const std::map<std::string, std::string>& files, const std::string& folder)
{
    const auto page = files.find(folder + site.file);
    if (page == files.end()) {
        return {};
    }
    const std::string text = utf8(page->second);
    std::vector<std::string> headlines;
    const auto headlineOf = [](const std::string& article) {
        const auto open = article.find("<p><h4>"), close = article.find("</h4></p>");
        return open == std::string::npos || close == std::string::npos
                   ? std::string()
                   : seen(article.substr(open + 7, close - open - 7));
    };
    if (site.plainText) {
        auto articles = split(text, "\n\r\r\n");
        for (std::size_t i = 1; i + 1 < articles.size(); ++i) {
            const auto lines = split(replaceAll(articles[i], "\r", "\n"), "\n");
            const auto first =
                std::find_if(lines.begin(), lines.end(), [](const std::string& l) { return !seen(l).empty(); });
            headlines.push_back(first == lines.end() ? "" : seen(*first));
        }
    } else if (list.separateFiles) {
        static const std::regex link("<a href=\"([0-9]+\\.html)\">");
        for (std::sregex_iterator it(text.begin(), text.end(), link), end; it != end; ++it) {
            const auto topic = files.find(folder + (*it)[1].str());
            headlines.push_back(topic == files.end() ? "" : headlineOf(utf8(topic->second)));
        }
    } else {
        const auto chunks = split(text, kRule);
        for (std::size_t i = 1; i + 1 < chunks.size(); ++i) {
            headlines.push_back(headlineOf(chunks[i]));
        }
    }
    return headlines;
}

struct NavChapter
{
    std::string name;
    std::vector<std::string> articles;
};

std::vector<NavChapter> readNavigation(const std::string& nav)
{
    std::vector<NavChapter> chapters;
    static const std::regex entry("<a href=\"site[0-9]+\\.xhtml(#a[0-9]+)?\">([^<]*)</a>");
    for (std::sregex_iterator it(nav.begin(), nav.end(), entry), end; it != end; ++it) {
        if ((*it)[1].length() == 0) {
            chapters.push_back({seen((*it)[2]), {}});
        } else if (!chapters.empty()) {
            chapters.back().articles.push_back(seen((*it)[2]));
        }
    }
    return chapters;
}

/// What is wrong with the book of a data folder `folder` (relative, "" or "261207/").
std::string checkBook(const std::vector<ZipFile>& book, const SiteList& list,
                      const std::map<std::string, std::string>& files, const std::string& folder, int gathered)
{
    std::ostringstream problems;
    if (book.empty() || book[0].name != "mimetype" || !book[0].stored || book[0].bytes != "application/epub+zip") {
        problems << "the book does not begin with its stored mimetype\n";
    }
    // Every gathered article, in the order of the site list and the pages. A page that a later
    // site wrote over cannot say what its site gathered.
    const auto chapters = readNavigation(fileIn(book, "EPUB/nav.xhtml"));
    std::size_t c = 0;
    int listed = 0;
    for (std::size_t s = 0; s < list.sites.size(); ++s) {
        const Site& site = list.sites[s];
        const bool overwritten = std::any_of(list.sites.begin() + static_cast<std::ptrdiff_t>(s) + 1, list.sites.end(),
                                             [&](const Site& later) { return later.file == site.file; });
        const auto headlines = pageHeadlines(site, list, files, folder);
        if (!overwritten && headlines.empty()) {
            continue;
        }
        if (c >= chapters.size() || chapters[c].name != seen(site.name)) {
            if (!overwritten) {
                problems << "no chapter for " << site.name << "\n";
            }
            continue;
        }
        listed += static_cast<int>(chapters[c].articles.size());
        for (std::size_t a = 0; !overwritten && a < std::max(headlines.size(), chapters[c].articles.size()); ++a) {
            const std::string page = a < headlines.size() ? headlines[a] : "(none)";
            const std::string nav = a < chapters[c].articles.size() ? chapters[c].articles[a] : "(none)";
            if (page != nav && !(page.empty() && nav.starts_with("記事"))) {
                problems << site.name << " article " << a + 1 << ": the page says " << page << ", the book " << nav
                         << "\n";
            }
        }
        ++c;
    }
    if (c != chapters.size() || listed != gathered) {
        problems << "the book lists " << listed << " articles in " << chapters.size() << " chapters; " << gathered
                 << " were gathered\n";
    }
    // The pictures the pages show, and the text they could only write as references.
    std::string chapterText;
    for (const ZipFile& file : book) {
        if (file.name.ends_with(".xhtml")) {
            chapterText += file.bytes;
        }
    }
    static const std::regex picture("src=\"(pix/[0-9]+)\\.[a-z]+\"");
    static const std::regex reference("&#([0-9]{3,});");
    for (const auto& [name, bytes] : files) {
        if (!name.starts_with(folder) || !name.ends_with("html") || name.ends_with("index.html")) {
            continue;
        }
        for (std::sregex_iterator it(bytes.begin(), bytes.end(), picture), end; it != end; ++it) {
            const std::string shown = (*it)[1].str();
            const bool inside = std::any_of(book.begin(), book.end(), [&](const ZipFile& f) {
                return f.name.starts_with("EPUB/" + shown + ".") &&
                       chapterText.find("src=\"" + shown + ".") != std::string::npos;
            });
            // A picture no e-book takes is left out, and the log says so.
            const auto log = files.find(folder + "vodeZeva.log");
            const bool reported = log != files.end() && log->second.find(shown) != std::string::npos &&
                                  utf8(log->second).find("EPUB に入れられない画像を省きました。") != std::string::npos;
            if (!inside && !reported) {
                problems << name << " shows " << shown << ", which the book neither holds nor reports\n";
            }
        }
        for (std::sregex_iterator it(bytes.begin(), bytes.end(), reference), end; it != end; ++it) {
            const std::string real = seen(it->str());
            if (chapterText.find(real) == std::string::npos) {
                problems << name << " writes " << it->str() << ", which the book does not hold as text\n";
            }
        }
    }
    return problems.str();
}

/// The page as the case expects it with the book off: the contents page without its link to the
/// book, the log without the book's lines.
std::string withoutBook(const std::string& name, const std::string& bytes)
{
    std::string kept;
    for (const std::string& line : split(bytes, "\r\n")) {
        if (line.find(".epub\">EPUB") == std::string::npos &&
            !(name.ends_with("vodeZeva.log") && line.find("MakeEpub") != std::string::npos)) {
            kept += line + "\r\n";
        }
    }
    return kept.substr(0, kept.size() - 2);
}

/// epubcheck's verdict on a book: "" when it found nothing at all.
std::string epubcheck(const fs::path& book)
{
    const std::string command = "java -XX:TieredStopAtLevel=1 -XX:+UseSerialGC -jar " + kEpubcheck.string() +
                                " -q --failonwarnings '" + book.string() + "' 2>&1";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        return "epubcheck could not be started";
    }
    std::string output;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe)) {
        output += buffer;
    }
    const int status = ::pclose(pipe);
    return status == 0 ? "" : book.filename().string() + ":\n" + output;
}

std::string contentType(const fs::path& path)
{
    const std::string ext = path.extension().string();
    return ext == ".html" || ext == ".htm"  ? "text/html"
           : ext == ".gif" || ext == ".png" ? "image/" + ext.substr(1)
                                            : "application/octet-stream";
}

/// The book of a site whose articles are hostile markup run together at random, as no page would
/// be written: whatever the allowlist lets through must become markup the book's rules allow.
std::string hostileBook()
{
    const auto pieces = split(
        "<|>|<<|/|=|\"|'| |\n|&|;|#|1|12|JR|&amp|&nbsp;|&#0;|&#x80;|&copy|本文|<p>|</p>|<b>|</b>|<a href=http://e/>|"
        "<a href=#x>|</a>|<br>|<hr>|<div>|</div>|<h4>|</h4>|<ul>|<ol start=2 type=i reversed>|<li value=3>|</li>|"
        "</ul>|<dl>|<dt>|<dd>|</dl>|<table border=1>|<tr>|<td colspan=2>|<th scope=row>|</td>|</tr>|</table>|"
        "<caption>|<tbody>|<thead>|<col>|<ruby>|<rt>|</rt>|<rp>|</rp>|</ruby>|<rb>|<font color=red>|</font>|"
        "<center>|<pre>|</pre>|<blockquote>|<span class=a title=t dir=rtl>|</span>|<q>|<dfn>|<abbr>|<address>|"
        "<section>|<figure>|<figcaption>|<details>|<summary>|<fieldset>|<legend>|<label>|<marquee>|<nobr>|<big>|"
        "<sub>|<strike>|<tt>|<time datetime=x>|<del>|<ins>|<wbr>|<hgroup>|<h2 align=center>|<p align=right>|"
        "<!-- c -->|\xC3\xA9|&#127833;|<basefont>|</h2>|</p>|<li>|<ruby>\xE6\xBC\xA2",
        "|");
    TestHttpServer server;
    std::mt19937 rng(25);
    std::string index = "<ul class=\"list\">";
    for (int n = 0; n < 40; ++n) {
        std::string body;
        for (int k = std::uniform_int_distribution<int>(0, 150)(rng); k > 0; --k) {
            body += pieces[std::uniform_int_distribution<std::size_t>(0, pieces.size() - 1)(rng)];
        }
        server.serve("/a" + std::to_string(n) + ".html",
                     "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\"><h1>" + std::to_string(n) +
                         "</h1><div id=\"t\">" + body + "</div><!-- end -->");
        index += "<a href=\"a" + std::to_string(n) + ".html\">a</a>";
    }
    server.serve("/index.html", index + "</ul>");
    TempDir temp;
    const fs::path ini = temp.path() / "sites.ini";
    std::string sites = "J\t0\t" + (temp.path() / "data").string() + "\tNOAUTO\tNODAILY\t\tNOCONTENTS\tNO\r\n";
    for (const char* tables : {"", "RemoveTableTag"}) {
        sites += std::string("h\t") + server.url("/index.html") + "\t" + server.url("/") + "\t" + tables +
                 ".html\t<ul class=\"list\">\t</ul>\t<h1>\t</h1>\t<div id=\"t\">\t<!-- end -->\t\t" + tables + "\r\n";
    }
    writeBytes(ini, sites);
    FakeClock clock;
    platform::ConcurrentFetcher fetcher;
    std::FILE* out = std::tmpfile();
    cli::HeadlessFrontEnd frontEnd(out, false);
    cli::HeadlessOptions options{text::fromPath(temp.path()), text::fromPath(ini), 8};
    options.vertical = true;
    EXPECT_EQ(cli::runHeadless(options, frontEnd, clock, fetcher), 0);
    std::fclose(out);
    const std::string book = readBytes(temp.path() / "data" / "vodeZeva-2026-12-07.epub");
    const auto files = readZip(book);
    EXPECT_TRUE(files);
    EXPECT_EQ(frontEnd.gathered(), 80);
    return book;
}

TEST(EndToEndBook, EveryCaseMakesABookOfItsPagesThatPassesTheChecker)
{
    TempDir books;
    std::vector<fs::path> made;
    std::vector<fs::path> cases;
    for (const auto& entry : fs::directory_iterator(kCases)) {
        if (entry.is_directory()) {
            cases.push_back(entry.path());
        }
    }
    std::sort(cases.begin(), cases.end());
    for (const fs::path& dir : cases) {
        for (const bool vertical : {false, true}) {
            const std::string label = dir.filename().string() + (vertical ? "-vertical" : "-horizontal");
            SCOPED_TRACE(label);
            TestHttpServer server;
            const std::string base = server.baseUrl();
            for (const auto& [name, bytes] : filesUnder(dir / "site")) {
                const std::string type = contentType(name);
                server.serve("/" + name, type == "text/html" ? replaceAll(bytes, "@BASE@", base) : bytes, type);
            }
            TempDir temp;
            const fs::path program = temp.path() / "program";
            fs::create_directory(program);
            const std::string data = (temp.path() / "data").string();
            const auto placeholders = [&](const std::string& bytes) {
                return replaceAll(replaceAll(bytes, "@BASE@", base), "@DATA@", data);
            };
            const fs::path ini = program / "sites.ini";
            const std::string iniBytes = placeholders(readBytes(dir / "sites.ini"));
            writeBytes(ini, iniBytes);
            const std::string runsText = readBytes(dir / "runs");
            FakeClock clock;
            platform::ConcurrentFetcher fetcher(platform::ConcurrentSettings{
                8, 4, platform::CurlSettings{std::chrono::milliseconds(2000), std::chrono::milliseconds(5000)}});
            int gathered = 0;
            for (int run = 0; run < (runsText.empty() ? 1 : std::stoi(runsText)); ++run) {
                std::FILE* out = std::tmpfile();
                ASSERT_NE(out, nullptr);
                cli::HeadlessFrontEnd frontEnd(out, false);
                cli::HeadlessOptions options{text::fromPath(program), text::fromPath(ini), 8};
                options.epub = true;
                options.vertical = vertical;
                ASSERT_EQ(cli::runHeadless(options, frontEnd, clock, fetcher), 0);
                std::fclose(out);
                gathered = frontEnd.gathered(); // a later run writes the book anew
            }

            const auto actual = filesUnder(data);
            std::string book;
            for (const auto& [name, bytes] : filesUnder(dir / "expected")) {
                const auto found = actual.find(name);
                if (found == actual.end()) {
                    ADD_FAILURE() << name << " is missing";
                } else {
                    EXPECT_EQ(withoutBook(name, found->second), placeholders(bytes)) << name << " changed";
                }
            }
            for (const auto& [name, bytes] : actual) {
                if (name.ends_with(".epub")) {
                    EXPECT_TRUE(book.empty()) << "a second book " << name;
                    book = name;
                } else {
                    EXPECT_TRUE(fs::exists(dir / "expected" / name)) << name << " should not be there";
                }
            }
            if (gathered == 0) {
                EXPECT_EQ(book, "") << "a book of nothing";
                continue;
            }
            ASSERT_NE(book, "") << "no book";
            const auto files = readZip(actual.at(book));
            ASSERT_TRUE(files) << book << " is no zip archive";
            const std::string folder = book.substr(0, book.rfind('/') + 1);
            EXPECT_EQ(checkBook(*files, readSiteList(iniBytes), actual, folder, gathered), "");
            made.push_back(books.path() / (label + ".epub"));
            writeBytes(made.back(), actual.at(book));
        }
    }
    ASSERT_GE(made.size(), 30u) << "the cases gather too little to prove anything";
    made.push_back(books.path() / "hostile-vertical.epub");
    writeBytes(made.back(), hostileBook());

    if (!fs::exists(kEpubcheck) || std::system("java -version >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "epubcheck is not installed; the books were not checked";
    }
    const unsigned at = std::max(2u, std::thread::hardware_concurrency());
    std::vector<std::future<std::string>> verdicts;
    std::string problems;
    for (std::size_t i = 0; i < made.size(); ++i) {
        if (verdicts.size() >= at) {
            problems += verdicts.front().get();
            verdicts.erase(verdicts.begin());
        }
        verdicts.push_back(std::async(std::launch::async, epubcheck, made[i]));
    }
    for (auto& verdict : verdicts) {
        problems += verdict.get();
    }
    EXPECT_EQ(problems, "");
}

} // namespace
} // namespace vz::test
