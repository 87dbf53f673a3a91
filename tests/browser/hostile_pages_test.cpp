// Hostile articles gathered by the program from a loopback server in every cleaning mode, then
// every page it wrote opened in headless Chromium while the server logs every request: no script
// may run, no request may leave a page, and every page that declares Shift_JIS (or has Japanese
// text to tell it by) must be read as Shift_JIS. A payload that gets through says so: a script
// sets the title to PWNED (spelt in two halves in the source, so that kept text cannot fake it)
// and asks the server for /leak/js; markup that loads asks for /leak/... itself.
//
// VZ_HOSTILE_CORPUS may name a folder of further articles, each file one article's text with
// "@LEAK@" for the logging address and "@JS@" for the announcing script; they join every site.
// Without Chromium (VZ_CHROMIUM names another binary) the test is skipped.

#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/headless_command.h"
#include "cli/headless_front_end.h"
#include "fakes/fake_front_end.h"
#include "platform/concurrent_fetcher.h"
#include "platform/cp932.h"
#include "run/text.h"
#include "support/pieces.h"
#include "support/temp_dir.h"
#include "support/test_http_server.h"

extern char** environ;

namespace vz::test {
namespace {

namespace fs = std::filesystem;

struct Hostile
{
    std::string name;
    std::string headline;
    std::string body;
};

// One row per way in. Bodies are served as UTF-8 and converted by the program like any page.
const std::vector<Hostile> kCorpus = {
    // A cut joins what stood around a removed tag.
    {"join-style", "", "<scr<style></style>ipt>@JS@</script><scr<style>ipt>@JS@</script>"},
    {"join-meta-link-base", "", "<scr<meta>ipt>@JS@</script><scr<link>ipt>@JS@</script><scr<base>ipt>@JS@</script>"},
    {"join-iframe-object", "", "<scr<iframe></iframe>ipt>@JS@</script><scr<object></object>ipt>@JS@</script>"},
    {"join-filters", "",
     "<scr<table></table>ipt>@JS@</script><scr<a href=x>ipt>@JS@</script><scr<img src=x>ipt>@JS@</script>"
     "<<script>x</script>img src=x onerror=@JS@>"},
    // Markup a browser reads otherwise than a pattern does.
    {"unquoted", "", "</x y=\"<b z=\">\" w=<svg/onload=@JS@//><b title=<img/src=x/onerror=@JS@>>x</b>"},
    {"end-tags", "", "</p onclick=\"\"><img src=x onerror=@JS@></p><a b=c<img src=x onerror=@JS@>>"},
    {"comments", "",
     "<!-- <b title=\"--><img src=x onerror=@JS@>\"><!--><img src=x onerror=@JS@>--><!x><img src=@LEAK@/bang>"
     "</3 <img src=x onerror=@JS@>><?x <img src=x onerror=@JS@> ?>"},
    {"raw-text", "",
     "<xmp><img src=x onerror=@JS@></xmp><textarea><img src=x onerror=@JS@></textarea><title><img src=x "
     "onerror=@JS@></title><noscript><img src=x onerror=@JS@></noscript><noembed><img title=\"</noembed><img "
     "src=x onerror=@JS@>\"></noembed>"},
    {"foreign", "",
     "<svg><![CDATA[<img src=x onerror=@JS@>]]></svg><math><mtext><table><mglyph><style><img src=x "
     "onerror=@JS@>"},
    {"plaintext", "", "<plaintext><img src=x onerror=@JS@>"},
    {"handlers", "",
     "<input autofocus onfocus=@JS@><details open ontoggle=@JS@>x</details><body onload=@JS@><img src=x "
     "onerror=@JS@><svg><animate onbegin=@JS@ attributeName=x dur=1s></svg><video><source onerror=@JS@></video>"
     "<style onload=@JS@></style><marquee onstart=@JS@>m</marquee>"},
    {"schemes", "",
     "<a href=\"jav&#x61;script:@JS@\">a</a><a href=\"&Tab;javascript:@JS@\">b</a><iframe src=\"javascript:@JS@\">"
     "</iframe><form action=javascript:@JS@><button>c</button></form><a href=\"pix/00000.gif\">d</a>"},
    // Whatever a browser fetches by itself.
    {"style-url", "",
     "<p style=\"background:url(&quot;@LEAK@/css1&quot;)\">a</p><p style=\"background:url&lpar;@LEAK@/css2)\">b</p>"
     "<p style=\"background:u\\72l(@LEAK@/css3)\">c</p><p style=\"background-image:image-set('@LEAK@/css4' 1x)\">d"
     "</p><style>@import '@LEAK@/css5';</style>"},
    {"svg-fetch", "",
     "<svg><rect fill=\"url(@LEAK@/fill#a)\" mask=\"url(@LEAK@/mask#m)\" cursor=\"url(@LEAK@/cursor),auto\" "
     "width=9 height=9 /><a><set attributeName=href to=@LEAK@/set /></a><use href=\"@LEAK@/use#x\"/><image "
     "href=\"@LEAK@/svgimage\"/></svg>"},
    {"loaders", "",
     "<img src=\"@LEAK@/img\"><img srcset=\"@LEAK@/srcset 1x\"><image src=@LEAK@/image><video poster=@LEAK@/poster>"
     "</video><audio src=@LEAK@/audio></audio><input type=image src=@LEAK@/input><table background=@LEAK@/bg><tr>"
     "<td background=@LEAK@/td>t</td></tr></table><object data=@LEAK@/object></object><embed src=@LEAK@/embed>"
     "<iframe src=@LEAK@/iframe></iframe><link rel=stylesheet href=@LEAK@/link><meta http-equiv=refresh "
     "content=\"0;url=@LEAK@/refresh\"><base href=@LEAK@/base/><img src=\"@BASE@/p.gif\"><body "
     "background=@LEAK@/body>"},
    // Bytes that could change how the page is decoded, and characters CP932 cannot hold.
    {"controls", "", "\x1b$B\"<p title=\"\x1b(B\"><img src=x onerror=@JS@>\x0e<scr\x0fipt>@JS@</script>"},
    {"unmappable", "😀<scr😀ipt>@JS@</script>", "\xed\xa0\x80<img src=x onerror=@JS@>😀<😀script>@JS@</script>"},
    // Headlines, which go into headings and the link lines of topic files.
    {"headline-title", "</title><script>@JS@</script>", "<p>x</p>"},
    {"headline-empty", "", "<&nbspsvg/onload=@JS@//"},
    {"headline-open", "<img src=x onerror=@JS@ x=", "a<img src=x onerror=@JS@ x="},
    {"headline-entity", "&lt;script&gt;@JS@&lt;/script&gt;", "&lt;img src=x onerror=@JS@&gt;"},
};

// Meta tags of a site's first article, which decides the site page's head.
const std::vector<std::string> kHeads = {
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=csISO2022JP\">",
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-2022-kr\">",
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-16\">",
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=replacement\">",
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=x-user-defined\">",
    "<meta http-equiv=\"Content-Type\" content=\"a>b; charset=windows-1252\"><script>@JS@</script>",
    "<meta http-equiv=\"refresh\" content=\"0;url=@LEAK@/refresh\"><meta http-equiv=\"Content-Type\" "
    "content=\"text/html; charset=latin1\">",
};

constexpr const char* kMarker = "安全確認";
// Pages without a charset of their own (topic files, the contents page, plain-text pages) are
// told by their text: enough Japanese that a browser reads them as Shift_JIS, as a reader's would.
constexpr const char* kJapanese = "みなと日報の記事です。港の朝市が三年ぶりに再開し、多くの市民でにぎわった。"
                                  "夜明け前から地元の漁業者や農家など約四十の店が並んだ。";
constexpr int kBundles = 3;

std::string articlePage(const std::string& head, const Hostile& row)
{
    return "<html><head>" + head + "</head><body>\n<!--H-->" + row.headline + "<!--/H-->\n<!--T--><p>" + kMarker + " " +
           row.name + kJapanese + "</p>" + row.body + "<p>end of " + row.name + "</p><!--/T--></body></html>";
}

std::string indexPage(const std::string& base, const std::string& folder, int count)
{
    std::string page = "<html><body><ul><!--L-->";
    for (int i = 0; i < count; ++i) {
        page += "<li><a href=\"" + base + "/" + folder + "/" + std::to_string(i) + ".html\">" + std::to_string(i) +
                "</a></li>";
    }
    return page + "<!--/L--></ul></body></html>";
}

std::string siteLine(const std::string& name, const std::string& index, const std::string& file,
                     const std::string& options)
{
    return name + "\t" + index + "\t\t" + file + "\t<!--L-->\t<!--/L-->\t<!--H-->\t<!--/H-->\t<!--T-->\t<!--/T-->\t" +
           options + "\t\t\r\n";
}

/// Runs the headless command on a site list.
void gather(const fs::path& program, const std::string& sites)
{
    const fs::path ini = program / "sites.ini";
    writeBytes(ini, platform::encodeCp932(text::fromUtf8(sites)).bytes);
    FakeClock clock;
    platform::ConcurrentFetcher fetcher(platform::ConcurrentSettings{
        8, 4, platform::CurlSettings{std::chrono::milliseconds(2000), std::chrono::milliseconds(5000)}});
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    cli::HeadlessFrontEnd frontEnd(out, false, true);
    const int status = cli::runHeadless(cli::HeadlessOptions{text::fromPath(program), text::fromPath(ini), 1}, frontEnd,
                                        clock, fetcher);
    std::fclose(out);
    ASSERT_EQ(status, 0);
}

std::string chromium()
{
    const char* named = std::getenv("VZ_CHROMIUM");
    const std::string binary = named && *named ? named : "/usr/bin/chromium";
    return fs::exists(binary) ? binary : std::string();
}

/// The DOM of each page after Chromium loaded it and ran whatever it would run, two at a time,
/// each in a fresh profile.
std::vector<std::string> dumpDoms(const std::string& browser, const std::vector<fs::path>& pages,
                                  const fs::path& scratch)
{
    std::vector<std::string> doms(pages.size());
    for (std::size_t first = 0; first < pages.size(); first += 2) {
        std::vector<pid_t> running;
        for (std::size_t i = first; i < std::min(first + 2, pages.size()); ++i) {
            const fs::path dom = scratch / ("dom" + std::to_string(i));
            std::vector<std::string> args = {"/usr/bin/timeout",
                                             "60",
                                             browser,
                                             "--headless",
                                             "--no-sandbox",
                                             "--disable-gpu",
                                             "--disable-quic",
                                             "--no-first-run",
                                             "--disable-background-networking",
                                             "--disable-component-update",
                                             "--disable-sync",
                                             "--no-proxy-server",
                                             "--user-data-dir=" + (scratch / ("profile" + std::to_string(i))).string(),
                                             "--virtual-time-budget=3000",
                                             "--dump-dom",
                                             "file://" + pages[i].string()};
            std::vector<char*> argv;
            for (std::string& arg : args) {
                argv.push_back(arg.data());
            }
            argv.push_back(nullptr);
            posix_spawn_file_actions_t actions;
            posix_spawn_file_actions_init(&actions);
            posix_spawn_file_actions_addopen(&actions, 1, dom.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
            pid_t pid = 0;
            if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
                running.push_back(pid);
            }
            posix_spawn_file_actions_destroy(&actions);
        }
        for (const pid_t pid : running) {
            int status = 0;
            waitpid(pid, &status, 0);
        }
        for (std::size_t i = first; i < std::min(first + 2, pages.size()); ++i) {
            doms[i] = readBytes(scratch / ("dom" + std::to_string(i)));
        }
    }
    return doms;
}

std::vector<Hostile> corpus()
{
    std::vector<Hostile> rows = kCorpus;
    const char* more = std::getenv("VZ_HOSTILE_CORPUS");
    if (more && *more) {
        for (const auto& [name, bytes] : filesUnder(more)) {
            rows.push_back({name, "", bytes});
        }
    }
    return rows;
}

TEST(HostilePages, RunNothingAndLoadNothingInABrowserInEveryCleaningMode)
{
    const std::string browser = chromium();
    if (browser.empty()) {
        GTEST_SKIP() << "Chromium is not installed";
    }
    TestHttpServer server;
    const std::string base = server.baseUrl();
    const auto fill = [&](std::string s) {
        s = replaceAll(std::move(s), "@JS@", "document.title='PW'+'NED';fetch('@LEAK@/js')");
        return replaceAll(replaceAll(std::move(s), "@LEAK@", base + "/leak"), "@BASE@", base);
    };
    const std::string utf8 = "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">";
    const std::vector<Hostile> rows = corpus();
    std::vector<Hostile> bundles(kBundles);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        server.serve("/a/" + std::to_string(i) + ".html", fill(articlePage(utf8, rows[i])));
        Hostile& bundle = bundles[i % kBundles];
        bundle.name += rows[i].name + " ";
        bundle.headline = bundle.headline.empty() ? rows[i].headline : bundle.headline;
        bundle.body += rows[i].body;
    }
    for (int k = 0; k < kBundles; ++k) {
        server.serve("/b/" + std::to_string(k) + ".html",
                     fill(articlePage(utf8, bundles[static_cast<std::size_t>(k)])));
    }
    server.serve("/all/index.html", indexPage(base, "a", static_cast<int>(rows.size())));
    // A topic file's link line takes an empty headline from the first characters of the text.
    server.serve("/b/" + std::to_string(kBundles) + ".html",
                 fill(std::string("<html><body><!--H--><!--/H--><!--T--><&nbspsvg/onload=@JS@//<p>") + kMarker +
                      kJapanese + "</p><!--/T--></body></html>"));
    server.serve("/bundles/index.html", indexPage(base, "b", kBundles + 1));
    server.serve("/p.gif", "GIF89a" + std::string(400, 'p'), "image/gif");

    TempDir temp;
    const fs::path program = temp.path() / "program";
    const fs::path data = temp.path() / "data";
    fs::create_directories(program);
    // One run with fitting, daily folders, the contents page and a page per site; one without
    // fitting, with a file per article. The site names are hostile too.
    std::string runA = "E\t20\t" + data.string() + "/a\tNOAUTO\tDAILY\t\tCONTENTS\tNOSEPARATETOPICFILES\r\n" +
                       siteLine(std::string(kMarker) + kJapanese + " tables kept</title><script>@JS@</script>",
                                base + "/all/index.html", "t1.html", "\t\tKeepPix") +
                       siteLine(std::string(kMarker) + kJapanese + " tables removed<img src=@LEAK@/name onerror=@JS@>",
                                base + "/all/index.html", "t2.html", "\tRemoveTable\t") +
                       siteLine(std::string(kMarker) + kJapanese + " table tags removed<svg/onload=@JS@>",
                                base + "/all/index.html", "t3.html", "\tRemoveTableTag\tKeepPix") +
                       siteLine(std::string(kMarker) + kJapanese + " plain text<script>@JS@</script><",
                                base + "/all/index.html", "t4.html", "RemoveAll\t\tKeepPix");
    for (std::size_t j = 0; j < kHeads.size(); ++j) {
        const std::string folder = "/h" + std::to_string(j);
        server.serve(folder + "/0.html", fill(articlePage(kHeads[j], {"head", "head", "<p>head</p>"})));
        server.serve(folder + "/index.html", indexPage(base, folder.substr(1), 1));
        runA += siteLine(std::string(kMarker) + kJapanese + " head " + std::to_string(j), base + folder + "/index.html",
                         "h" + std::to_string(j) + ".html", "\t\t");
    }
    const std::string runB =
        "J\t0\t" + data.string() + "/b\tNOAUTO\tNODAILY\t\tNOCONTENTS\tSEPARATETOPICFILES\r\n" +
        siteLine(std::string(kMarker) + kJapanese + " u1", base + "/bundles/index.html", "u1.html", "\t\t") +
        siteLine(std::string(kMarker) + kJapanese + " u2", base + "/bundles/index.html", "u2.html",
                 "\tRemoveTableTag\tKeepPix") +
        siteLine(std::string(kMarker) + kJapanese + " u3", base + "/bundles/index.html", "u3.html", "RemoveAll\t\t");
    gather(program, fill(runA));
    gather(program, fill(runB));

    std::vector<fs::path> pages;
    for (const fs::path& top : {data / "a", data / "b"}) {
        for (const auto& entry : fs::recursive_directory_iterator(top)) {
            if (entry.path().extension() == ".html" && entry.path().parent_path().filename() != "pix") {
                pages.push_back(entry.path());
            }
        }
    }
    ASSERT_GE(pages.size(), 4 + kHeads.size() + 2 + 3 + 3 * (kBundles + 1));

    // The harness must see a payload that runs: a page written as it came.
    const fs::path control = temp.path() / "control.html";
    writeBytes(control,
               platform::encodeCp932(
                   text::fromUtf8(fill(articlePage("<meta http-equiv=\"Content-Type\" content=\"text/html; "
                                                   "charset=Shift_JIS\">",
                                                   {"control", "", "<img src=@LEAK@/control><script>@JS@</script>"}))))
                   .bytes);
    pages.insert(pages.begin(), control);
    const std::size_t before = server.received().size();
    const std::vector<std::string> doms = dumpDoms(browser, pages, temp.path());
    const auto received = server.received();

    ASSERT_NE(doms[0].find("PWNED"), std::string::npos) << "the control page's script did not run:\n" << doms[0];
    std::vector<std::string> leaks;
    for (std::size_t r = before; r < received.size(); ++r) {
        if (received[r].path != "/leak/control" && received[r].path != "/leak/js") {
            leaks.push_back(received[r].path);
        }
    }
    const auto jsCount = std::count_if(received.begin() + static_cast<std::ptrdiff_t>(before), received.end(),
                                       [](const auto& r) { return r.path == "/leak/js"; });
    EXPECT_EQ(jsCount, 1) << "a script ran besides the control page's";
    EXPECT_TRUE(leaks.empty()) << "requests left the pages: " << ::testing::PrintToString(leaks);
    for (std::size_t i = 1; i < pages.size(); ++i) {
        SCOPED_TRACE(pages[i].string());
        EXPECT_EQ(doms[i].find("PWNED"), std::string::npos) << doms[i];
        EXPECT_NE(doms[i].find("</html>"), std::string::npos) << "Chromium gave no page";
        // Every page but the day list (dates only) names a site or holds an article.
        if (pages[i] != data / "a" / "index.html") {
            EXPECT_NE(doms[i].find(kMarker), std::string::npos) << "not read as Shift_JIS:\n" << doms[i];
        }
    }
}

} // namespace
} // namespace vz::test
