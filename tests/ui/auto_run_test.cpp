// The windowed program with AUTO in its site list file gathers, closes itself, and leaves the
// same data folder as the headless command, byte for byte, on the end-to-end cases' sites.

#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>
#include <sys/wait.h>

#include "support/pieces.h"
#include "support/temp_dir.h"
#include "support/test_http_server.h"
#include "test_paths.h"

namespace vz::test {
namespace {

namespace fs = std::filesystem;

/// The program's exit status, 124 when it had not ended after a minute. The temporary paths hold no
/// character the shell would read.
int runProgram(const std::string& environment, const std::string& args)
{
    const int status =
        std::system((environment + " timeout 60 " + std::string(kBinaryDir) + "/src/vodezeva " + args).c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

using AutoRun = ::testing::TestWithParam<std::string>;

TEST_P(AutoRun, LeavesTheSameDataFolderAsTheHeadlessCommand)
{
    const fs::path cases = fs::path(kDataDir) / "e2e" / GetParam();
    TestHttpServer server;
    for (const auto& [name, bytes] : filesUnder(cases / "site")) {
        const bool page = name.ends_with(".html") || name.ends_with(".htm");
        server.serve("/" + name, page ? replaceAll(bytes, "@BASE@", server.baseUrl()) : bytes,
                     page ? "text/html" : "application/octet-stream");
    }
    TempDir temp;
    const fs::path home = temp.path() / "program"; // made by the program
    const fs::path data = temp.path() / "data";
    const fs::path ini = temp.path() / "sites.ini";
    std::string settings =
        replaceAll(replaceAll(readBytes(cases / "sites.ini"), "@BASE@", server.baseUrl()), "@DATA@", data.string());
    settings = replaceAll(settings, "\tNOAUTO\t", "\tAUTO\t");
    ASSERT_NE(settings.find("\tAUTO\t"), std::string::npos);
    writeBytes(ini, settings);
    const std::string environment =
        "VODEZEVA_HOME=" + home.string() + " SOURCE_DATE_EPOCH=1796625005 QT_QPA_PLATFORM=offscreen";

    ASSERT_EQ(runProgram(environment, "--headless --ini " + ini.string()), 0);
    const auto headless = filesUnder(data);
    ASSERT_FALSE(headless.empty());
    fs::remove_all(data);

    ASSERT_EQ(runProgram(environment, "--ini " + ini.string()), 0) << "the window closes itself after the run";
    const auto windowed = filesUnder(data);
    for (const auto& [name, bytes] : headless) {
        EXPECT_TRUE(windowed.contains(name) && windowed.at(name) == bytes) << name << " is missing or differs";
    }
    EXPECT_EQ(windowed.size(), headless.size());
}

INSTANTIATE_TEST_SUITE_P(Cases, AutoRun,
                         ::testing::Values("encoding_euc_jp", "keep_pix", "remove_all", "separate_topic_files",
                                           "failing_pages", "switched_off_and_blank_lines"),
                         [](const ::testing::TestParamInfo<std::string>& param) { return param.param; });

} // namespace
} // namespace vz::test
