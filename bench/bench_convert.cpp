// Page conversion throughput on a 12 MB EUC-JP page and a 12 MB Shift_JIS page, against nkf and
// iconv run as programs on the same bytes. The goal: at least five times nkf's throughput, and
// within two times of iconv's. The ratios compare processor time, which stays meaningful while
// other work shares the machine; the table of google-benchmark shows wall time.
//
// Run: build/bench/bench_convert (nkf and iconv must be on PATH).

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <time.h>
#include <unicode/ucnv.h>

#include "platform/cp932.h"
#include "platform/page_converter.h"

namespace {

constexpr std::size_t kPageBytes = 12 * 1000 * 1000;

const std::vector<std::u16string> kSentences = {
    u"東京株式市場は円安を受けて反発し、日経平均株価は前日比１２０円高で取引を終えた。",
    u"気象庁によると、台風１４号は今夜から明日にかけて九州に接近するおそれがある。",
    u"政府は新しい経済対策について、来週にも閣議決定する方針を固めた。",
    u"警察は事件の容疑者を逮捕し、詳しいいきさつを調べている。",
    u"プロ野球の優勝争いは最終盤を迎え、各チームの監督は選手の起用に頭を悩ませている。",
    u"気温は－３℃～５℃の見込みで、北海道では雪の降るところがある。",
    u"ｶﾀｶﾅの見出し：ﾆｭｰｽ速報、価格は１０￠、２０￡。",
    u"条件∥￢の場合――以上。大学入試の出願は３月１２日まで。",
};

std::string encodeEucJp(const std::u16string& text)
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, void (*)(UConverter*)> cnv(ucnv_open("EUC-JP", &status), ucnv_close);
    ucnv_setFromUCallBack(cnv.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    std::string out(text.size() * 3 + 16, '\0');
    const int32_t n =
        ucnv_fromUChars(cnv.get(), out.data(), static_cast<int32_t>(out.size()),
                        reinterpret_cast<const UChar*>(text.data()), static_cast<int32_t>(text.size()), &status);
    if (U_FAILURE(status)) {
        throw std::runtime_error("the page cannot be written in EUC-JP");
    }
    out.resize(static_cast<std::size_t>(n));
    return out;
}

// A news page of about kPageBytes in the encoding: sentences in a random order between the
// markup of short articles.
std::string makePage(bool euc)
{
    std::mt19937 random(12);
    std::u16string text = u"<html><head><title>ニュース</title></head><body>\r\n";
    std::string bytes;
    while (true) {
        std::u16string article = u"<h2>見出し</h2>\r\n<p>";
        for (int i = 0; i < 6; ++i) {
            article += kSentences[random() % kSentences.size()];
        }
        article += u"</p>\r\n";
        text += article;
        // Encoding as it grows would be slow; the estimate of two bytes a character is close.
        if (text.size() * 2 >= kPageBytes) {
            break;
        }
    }
    text += u"</body></html>\r\n";
    return euc ? encodeEucJp(text) : vz::platform::encodeCp932(text).bytes;
}

struct Page
{
    std::string name;
    std::string bytes;
    std::filesystem::path file;
    const char* iconvName;
};

std::vector<Page>& pages()
{
    static std::vector<Page> all;
    return all;
}

// Fastest time of each benchmark, for the ratios at the end.
std::map<std::string, double>& bestSeconds()
{
    static std::map<std::string, double> best;
    return best;
}

void note(const std::string& name, double seconds)
{
    auto [it, inserted] = bestSeconds().emplace(name, seconds);
    if (!inserted) {
        it->second = std::min(it->second, seconds);
    }
}

// Processor time, so that other work on a shared machine does not tilt the ratios: this
// thread's for the conversion, the finished children's for the programs.
double threadSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double childrenSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void convertPage(benchmark::State& state, const Page* page)
{
    for (auto _ : state) {
        const double start = threadSeconds();
        auto converted = vz::platform::convertPage(page->bytes);
        benchmark::DoNotOptimize(converted.text.data());
        note("convertPage " + page->name, threadSeconds() - start);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page->bytes.size()));
}

void runProgram(benchmark::State& state, const Page* page, const std::string& label, const std::string& command)
{
    const std::string line = command + " '" + page->file.string() + "' > /dev/null 2>&1";
    for (auto _ : state) {
        const double start = childrenSeconds();
        const int status = std::system(line.c_str());
        const double seconds = childrenSeconds() - start;
        if (status != 0) {
            state.SkipWithError((label + " failed; is it installed?").c_str());
            return;
        }
        note(label + " " + page->name, seconds);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page->bytes.size()));
}

void printRatios()
{
    const auto& best = bestSeconds();
    const auto seconds = [&](const std::string& name) {
        const auto it = best.find(name);
        return it == best.end() ? std::numeric_limits<double>::quiet_NaN() : it->second;
    };
    std::printf("\nThroughput ratios by processor time (fastest run of each; above 1 means convertPage is faster):\n");
    for (const Page& page : pages()) {
        const double ours = seconds("convertPage " + page.name);
        const double mb = static_cast<double>(page.bytes.size()) / 1e6;
        std::printf("  %-10s convertPage %6.1f MB/s | vs nkf -s: %5.2f (goal >= 5) | vs iconv to Shift_JIS: %5.2f | "
                    "vs iconv to UTF-16: %5.2f (goal >= 0.5)\n",
                    page.name.c_str(), mb / ours, seconds("nkf " + page.name) / ours,
                    seconds("iconv-sjis " + page.name) / ours, seconds("iconv-utf16 " + page.name) / ours);
    }
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    char folderPattern[] = "/tmp/vodezeva-bench-XXXXXX";
    if (!mkdtemp(folderPattern)) {
        std::fprintf(stderr, "cannot make a temporary folder\n");
        return 1;
    }
    const std::filesystem::path folder = folderPattern;
    pages().push_back({"EUC-JP", makePage(true), folder / "page-euc-jp.html", "EUC-JP"});
    pages().push_back({"Shift_JIS", makePage(false), folder / "page-shift_jis.html", "SHIFT_JIS"});
    for (const Page& page : pages()) {
        std::ofstream(page.file, std::ios::binary)
            .write(page.bytes.data(), static_cast<std::streamsize>(page.bytes.size()));
        const auto converted = vz::platform::convertPage(page.bytes);
        std::printf("%s page: %zu bytes, read as %s, %zu characters\n", page.name.c_str(), page.bytes.size(),
                    vz::platform::encodingName(converted.encoding), converted.text.size());
    }
    for (const Page& page : pages()) {
        const std::string iconv = std::string("iconv -f ") + page.iconvName;
        benchmark::RegisterBenchmark(("convertPage/" + page.name).c_str(), convertPage, &page)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        benchmark::RegisterBenchmark(("nkf -s/" + page.name).c_str(), runProgram, &page, "nkf", "nkf -s")
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        benchmark::RegisterBenchmark(("iconv to Shift_JIS/" + page.name).c_str(), runProgram, &page, "iconv-sjis",
                                     iconv + " -t SHIFT_JIS")
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        benchmark::RegisterBenchmark(("iconv to UTF-16/" + page.name).c_str(), runProgram, &page, "iconv-utf16",
                                     iconv + " -t UTF-16LE")
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printRatios();
    std::filesystem::remove_all(folder);
    return 0;
}
