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
#include "support/pieces.h"
#include "support/printed.h"
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

// Pages go out without a charset, so that the page's own bytes and meta tag decide.
std::string contentType(const fs::path& path)
{
    const std::string ext = path.extension().string();
    return ext == ".html" || ext == ".htm"  ? "text/html"
           : ext == ".gif" || ext == ".png" ? "image/" + ext.substr(1)
                                            : "application/octet-stream";
}

/// The first line where the two files part, from each, with the line ends shown so that LF CR and
/// CR LF can be told apart.
std::string difference(const std::string& expected, const std::string& actual)
{
    if (expected.find('\0') != std::string::npos || actual.find('\0') != std::string::npos) {
        return "the picture bytes differ\n";
    }
    const auto lines = [](const std::string& bytes) {
        std::istringstream in(
            replaceAll(replaceAll(text::toUtf8(platform::decodeCp932(bytes)), "\r", "\\r"), "\n", "\\n\n"));
        std::vector<std::string> all;
        for (std::string line; std::getline(in, line);) {
            all.push_back(line);
        }
        return all;
    };
    const auto want = lines(expected), got = lines(actual);
    const std::size_t at = std::mismatch(want.begin(), want.end(), got.begin(), got.end()).first - want.begin();
    const auto line = [at](const std::vector<std::string>& all) { return at < all.size() ? all[at] : "(none)"; };
    return "first difference at line " + std::to_string(at + 1) + "\n  expected: " + line(want) +
           "\n  actual:   " + line(got) + "\n";
}

/// With VZ_E2E_ACTUAL set, the data folder goes there with the placeholders put back.
void keepActual(const std::string& caseName, const std::map<std::string, std::string>& files, const std::string& base,
                const std::string& data)
{
    const char* target = std::getenv("VZ_E2E_ACTUAL");
    if (!target || !*target) {
        return;
    }
    fs::remove_all(fs::path(target) / caseName);
    for (const auto& [name, bytes] : files) {
        const fs::path file = fs::path(target) / caseName / name;
        fs::create_directories(file.parent_path());
        writeBytes(file, replaceAll(replaceAll(bytes, data, "@DATA@"), base, "@BASE@"));
    }
}

// Each case runs with the default number of jobs and with one job, which fetches one page at a
// time: both must leave the same files.
class EndToEnd : public ::testing::TestWithParam<std::tuple<std::string, int>>
{
};

TEST_P(EndToEnd, LeavesTheDataFolderAsExpected)
{
    const auto& [caseName, jobs] = GetParam();
    const fs::path dir = kCases / caseName;
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
    writeBytes(ini, placeholders(readBytes(dir / "sites.ini")));

    const std::string runsText = readBytes(dir / "runs");
    const int runs = runsText.empty() ? 1 : std::stoi(runsText);
    FakeClock clock;
    // Failing pages are 404s and refused connections; nothing here should come near these.
    platform::ConcurrentFetcher fetcher(platform::ConcurrentSettings{
        8, 4, platform::CurlSettings{std::chrono::milliseconds(2000), std::chrono::milliseconds(5000)}});
    std::string stderrText;
    for (int run = 0; run < runs; ++run) {
        int status = -1;
        stderrText += printedBy([&](std::FILE* out) {
            cli::HeadlessFrontEnd frontEnd(out, false);
            status = cli::runHeadless({text::fromPath(program), text::fromPath(ini), jobs}, frontEnd, clock, fetcher);
        });
        ASSERT_EQ(status, 0) << stderrText;
    }

    const auto actual = filesUnder(data);
    keepActual(caseName + "_jobs" + std::to_string(jobs), actual, base, data);
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
