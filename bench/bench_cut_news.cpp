// CutNews with every option on, fast filters against the literal loops, on synthetic pages of
// 1 MB and 4 MB. Prints the speed-up at 1 MB (goal: at least 50) and how the fast version grows
// from 1 MB to 4 MB (goal: at most 5 times), and checks that both give the same article.
//
// The literal version at 4 MB takes minutes; leave it out with
//   --benchmark_filter='fast|literal/1'

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>

#include <benchmark/benchmark.h>

#include "extract/article_cutting.h"
#include "extract/literal_filters.h"
#include "fakes/fake_picture_keeper.h"
#include "fakes/fake_front_end.h"
#include "run/reporter.h"
#include "run/text.h"

namespace {

using namespace vz;

// About 1000 characters with 20 tags, Japanese and Latin text, a table, a script, runs of breaks
// and no-break spaces; every 50th block also holds a picture, half of them too small to keep.
std::u16string block(int n)
{
    std::u16string b = text::u(
        "<p>Breaking news: 東京の本日のニュースです。 Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed "
        "do eiusmod tempor incididunt ut labore et dolore magna aliqua.<br>\r\n Ut enim ad minim veniam, quis "
        "nostrud <a href=\"/news/123.html\">exercitation ullamco</a> laboris nisi ut aliquip ex ea commodo "
        "consequat.&nbsp;&nbsp; Duis aute irure dolor in reprehenderit in voluptate velit esse cillum dolore eu "
        "fugiat nulla pariatur. 大阪と名古屋の天気は晴れ、気温は二十度前後の見込みです。</p>\r\n"
        "<table class=\"t\"><tr><td>東京 Excepteur sint occaecat</td><td>cupidatat non proident, sunt in culpa qui "
        "officia deserunt mollit anim id est laborum.</td></tr></table>\r\n"
        "Sed ut perspiciatis unde omnis iste natus error sit voluptatem accusantium doloremque laudantium, totam "
        "rem aperiam, eaque ipsa quae ab illo inventore veritatis et quasi architecto beatae vitae dicta sunt "
        "explicabo.<br><br> \r\n<script type=\"text/javascript\">var a = 1;</script>\r\n");
    if (n % 50 == 0) {
        b += text::u(n % 100 == 0 ? "<IMG SRC=\"/img/big.gif\" alt=\"photo\">" : "<img src='dot.gif'>");
    }
    return b;
}

const std::u16string& page(std::int64_t megabytes)
{
    static std::map<std::int64_t, std::u16string> pages;
    std::u16string& p = pages[megabytes];
    if (p.empty()) {
        p = text::u("<html><head><title>x</title></head><body><h1 class=title>Headline ニュース <b>today</b></h1>"
                    "<div id=article>");
        for (int n = 0; p.size() < static_cast<std::size_t>(megabytes) << 20; ++n) {
            p += block(n);
        }
        p += text::u("</div><!-- footer --></body></html>");
    }
    return p;
}

// A data folder, a reporter and a picture keeper that has the pictures.
struct Setup
{
    Setup()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "vodezeva-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) {
            throw std::runtime_error("cannot create a temporary folder");
        }
        folder = pattern;
        state.DataPath = text::fromPath(folder) + u"/";
        pictures.resources = {{"http://site/img/big.gif", std::string(2000, 'b')},
                              {"http://site/news/dot.gif", std::string(43, 'd')}};
        fitting.FitToScreen = u"E";
        fitting.NrLtrLine = 20;
        extract::SetLetterWidths(fitting.LetterWidths);
    }
    ~Setup()
    {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }

    std::u16string cut(bool fast, const std::u16string& text)
    {
        pictures.PictureNumber = 0;
        std::int32_t minPix = 0;
        if (fast) {
            return extract::CutNews(ctx, text, u"<h1 class=title>", u"</h1>", u"<div id=article>", u"</div>",
                                    u"RemoveAll", u"RemoveTableTag", u"KeepPix", u"http://site/",
                                    u"http://site/news/today.html", minPix);
        }
        return test::literal::CutNews(ctx, text, u"<h1 class=title>", u"</h1>", u"<div id=article>", u"</div>",
                                      u"RemoveAll", u"RemoveTableTag", u"KeepPix", u"http://site/",
                                      u"http://site/news/today.html", minPix);
    }

    std::filesystem::path folder;
    run::RunState state;
    test::FakeFrontEnd fe;
    run::Reporter reporter{state, fe, fe};
    extract::LineFitting fitting;
    test::FakePictureKeeper pictures;
    extract::ExtractContext ctx{reporter, fitting, pictures};
};

void cutNews(benchmark::State& state, bool fast)
{
    const std::u16string& text = page(state.range(0));
    Setup setup;
    std::u16string result;
    for (auto _ : state) {
        result = setup.cut(fast, text);
        benchmark::DoNotOptimize(result.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
    if (!fast && result != setup.cut(true, text)) {
        state.SkipWithError("the fast and the literal CutNews give different articles");
    }
}

BENCHMARK_CAPTURE(cutNews, fast, true)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(cutNews, literal, false)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond)->Iterations(1);

// Keeps each run's time per iteration, for the ratios.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (!run.error_occurred && run.run_type == Run::RT_Iteration) {
                seconds[run.benchmark_name()] = run.real_accumulated_time / static_cast<double>(run.iterations);
            }
            if (run.error_occurred) {
                failed = true;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    std::map<std::string, double> seconds;
    bool failed = false;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto& s = reporter.seconds;
    auto ratio = [&](const char* what, const std::string& a, const std::string& b, const char* goal) {
        if (s.count(a) && s.count(b)) {
            std::printf("%-44s %8.1f   (goal %s)\n", what, s.at(a) / s.at(b), goal);
        }
    };
    ratio("literal / fast at 1 MB", "cutNews/literal/1/iterations:1", "cutNews/fast/1", ">= 50");
    ratio("literal / fast at 4 MB", "cutNews/literal/4/iterations:1", "cutNews/fast/4", "-");
    ratio("fast at 4 MB / fast at 1 MB", "cutNews/fast/4", "cutNews/fast/1", "<= 5");
    if (reporter.failed) {
        std::printf("The fast and the literal CutNews gave different articles.\n");
        return 1;
    }
    benchmark::Shutdown();
    return 0;
}
