// Whole runs of the headless command against sites served on the loopback. Each folder under
// data/e2e is one case:
//   site/      the pages and pictures to serve, the path being the address's path;
//   sites.ini  the site list file (CP932, TABs, CR LF);
//   expected/  every file the data folder must hold afterwards, byte for byte;
//   runs       (optional) how many runs to make one after the other, with one clock.
// In sites.ini, in pages and in expected files "@BASE@" stands for the server's address and
// "@DATA@" for the data folder as the site list names it (without its final "/").
//
// Set VZ_E2E_ACTUAL to a folder to get each case's data folder copied there (with the two
// placeholders put back), for reading a changed run side by side with its expected files.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "cli/headless_command.h"
#include "cli/headless_front_end.h"
#include "fakes/fake_front_end.h"
#include "platform/cp932.h"
#include "platform/concurrent_fetcher.h"
#include "run/text.h"
#include "support/temp_dir.h"
#include "support/test_http_server.h"
#include "test_paths.h"

namespace vz::test {
namespace {

namespace fs = std::filesystem;

const fs::path kCases = fs::path(kDataDir) / "e2e";

std::vector<std::string> caseNames()
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(kCases, ec)) {
        if (entry.is_directory()) {
            names.push_back(entry.path().filename().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to)
{
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

bool isPage(const fs::path& path)
{
    return path.extension() == ".html" || path.extension() == ".htm";
}

// Pages go out without a charset, so that the page's own bytes and meta tag decide.
std::string contentType(const fs::path& path)
{
    if (isPage(path)) {
        return "text/html";
    }
    if (path.extension() == ".gif") {
        return "image/gif";
    }
    if (path.extension() == ".png") {
        return "image/png";
    }
    return "application/octet-stream";
}

/// CP932 bytes as UTF-8 lines with their line-end characters shown, so that LF CR and CR LF can
/// be told apart in a failure message.
std::vector<std::string> readableLines(const std::string& bytes)
{
    const std::string utf8 = text::toUtf8(platform::decodeCp932(bytes));
    std::vector<std::string> lines(1);
    for (const char c : utf8) {
        if (c == '\r') {
            lines.back() += "\\r";
        } else if (c == '\n') {
            lines.back() += "\\n";
            lines.emplace_back();
        } else {
            lines.back() += c;
        }
    }
    if (lines.back().empty()) {
        lines.pop_back();
    }
    return lines;
}

/// The first line where the two files part, with a few lines around it from each.
std::string difference(const std::string& expected, const std::string& actual)
{
    if (expected.find('\0') != std::string::npos || actual.find('\0') != std::string::npos) {
        return "the picture bytes differ (expected " + std::to_string(expected.size()) + " bytes, got " +
               std::to_string(actual.size()) + ")\n";
    }
    const auto want = readableLines(expected);
    const auto got = readableLines(actual);
    std::size_t first = 0;
    while (first < want.size() && first < got.size() && want[first] == got[first]) {
        ++first;
    }
    std::ostringstream out;
    out << "first difference at line " << first + 1 << " (expected " << want.size() << " lines, got " << got.size()
        << ")\n";
    const std::size_t from = first < 3 ? 0 : first - 3;
    for (const auto& [label, lines] : {std::pair{"expected", &want}, std::pair{"actual", &got}}) {
        out << "  " << label << ":\n";
        for (std::size_t i = from; i < lines->size() && i < first + 6; ++i) {
            out << (i == first ? "  > " : "    ") << i + 1 << ": " << (*lines)[i] << "\n";
        }
    }
    return out.str();
}

void keepActual(const std::string& caseName, const std::map<std::string, std::string>& files, const std::string& base,
                const std::string& data)
{
    const char* target = std::getenv("VZ_E2E_ACTUAL");
    if (!target || !*target) {
        return;
    }
    const fs::path folder = fs::path(target) / caseName;
    fs::remove_all(folder);
    for (const auto& [name, bytes] : files) {
        fs::create_directories((folder / name).parent_path());
        writeBytes(folder / name, replaceAll(replaceAll(bytes, data, "@DATA@"), base, "@BASE@"));
    }
}

std::string readAll(std::FILE* file)
{
    std::string text;
    std::rewind(file);
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
        text.append(buffer, n);
    }
    return text;
}

// Each case runs with the default number of jobs and with one job, which fetches one page at a
// time: both must leave the same files.
class EndToEnd : public ::testing::TestWithParam<std::tuple<std::string, int>>
{
protected:
    const std::string& caseName() const { return std::get<0>(GetParam()); }
    int jobs() const { return std::get<1>(GetParam()); }
};

TEST_P(EndToEnd, LeavesTheDataFolderAsExpected)
{
    const fs::path dir = kCases / caseName();
    TestHttpServer server;
    const std::string base = server.baseUrl();
    for (const auto& [name, bytes] : filesUnder(dir / "site")) {
        server.serve("/" + name, isPage(name) ? replaceAll(bytes, "@BASE@", base) : bytes, contentType(name));
    }

    TempDir temp;
    const fs::path program = temp.path() / "program";
    fs::create_directory(program);
    const std::string data = (temp.path() / "data").string();
    const auto placeholders = [&](const std::string& bytes) {
        return replaceAll(replaceAll(bytes, "@BASE@", base), "@DATA@", data);
    };
    const fs::path ini = program / "sites.ini";
    writeBytes(ini, placeholders(readBytes(dir / "sites.ini")));

    const std::string runsText = readBytes(dir / "runs");
    const int runs = runsText.empty() ? 1 : std::stoi(runsText);
    FakeClock clock;
    // Failing pages are 404s and refused connections; nothing here should come near these.
    platform::ConcurrentFetcher fetcher(platform::ConcurrentSettings{
        8, 4, platform::CurlSettings{std::chrono::milliseconds(2000), std::chrono::milliseconds(5000)}});
    std::string stderrText;
    for (int run = 0; run < runs; ++run) {
        std::FILE* out = std::tmpfile();
        ASSERT_NE(out, nullptr);
        cli::HeadlessFrontEnd frontEnd(out, false);
        const cli::HeadlessOptions options{text::fromPath(program), text::fromPath(ini), jobs()};
        const int status = cli::runHeadless(options, frontEnd, clock, fetcher);
        stderrText += readAll(out);
        std::fclose(out);
        ASSERT_EQ(status, 0) << stderrText;
    }

    const auto actual = filesUnder(data);
    keepActual(caseName() + "_jobs" + std::to_string(jobs()), actual, base, data);
    std::map<std::string, std::string> expected;
    for (const auto& [name, bytes] : filesUnder(dir / "expected")) {
        expected[name] = placeholders(bytes);
    }
    std::ostringstream problems;
    for (const auto& [name, bytes] : expected) {
        const auto found = actual.find(name);
        if (found == actual.end()) {
            problems << name << " is missing from the data folder\n";
        } else if (found->second != bytes) {
            problems << name << " differs: " << difference(bytes, found->second);
        }
    }
    for (const auto& [name, bytes] : actual) {
        if (!expected.contains(name)) {
            problems << name << " should not be in the data folder\n";
        }
    }
    EXPECT_TRUE(problems.str().empty()) << problems.str() << "what the command wrote to stderr:\n" << stderrText;
}

INSTANTIATE_TEST_SUITE_P(Cases, EndToEnd, ::testing::Combine(::testing::ValuesIn(caseNames()), ::testing::Values(8, 1)),
                         [](const ::testing::TestParamInfo<std::tuple<std::string, int>>& param) {
                             return std::get<0>(param.param) + "_jobs" + std::to_string(std::get<1>(param.param));
                         });

} // namespace
} // namespace vz::test
