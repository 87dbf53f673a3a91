#include "cli/command_line.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace vz::test {
namespace {

using Action = cli::CommandLine::Action;

// The command and the windows read the same words the same way: the first of --help, --version
// and a mistake decides.
TEST(CommandLine, TheFirstOfHelpVersionAndAMistakeDecides)
{
    const struct
    {
        std::vector<std::string> words;
        Action action;
        std::string problem = {};
    } cases[] = {
        {{"--headless", "--jobs", "3", "--ini", "a.ini", "-q", "--no-cache"}, Action::Run},
        {{"--bogus", "--help"}, Action::Usage, "unknown option --bogus"},
        {{"--jobs", "65"}, Action::Usage, "--jobs needs a number from 1 to 64"},
        {{"--ini"}, Action::Usage, "--ini needs a file"},
        {{"--quiet"}, Action::Usage, "--quiet goes with --headless"},
        {{"--epub"}, Action::Usage, "--epub goes with --headless"},
        {{"--vertical"}, Action::Usage, "--vertical goes with --headless"},
        {{"--no-cache"}, Action::Usage, "--no-cache goes with --headless or --check"},
        {{"-h", "--bogus"}, Action::Help},
        {{"--version", "--help"}, Action::Version},
    };
    for (const auto& c : cases) {
        std::vector<char*> argv{const_cast<char*>("vodezeva")};
        for (const std::string& word : c.words) {
            argv.push_back(const_cast<char*>(word.c_str()));
        }
        const cli::CommandLine line = cli::parseCommandLine(static_cast<int>(argv.size()), argv.data());
        EXPECT_EQ(line.action, c.action) << c.words.front();
        EXPECT_EQ(line.problem, c.problem);
        if (c.action == Action::Run) {
            EXPECT_TRUE(line.headless && line.quiet && line.noCache);
            EXPECT_EQ(line.ini, "a.ini");
            EXPECT_EQ(line.jobs, 3);
        }
    }
}

} // namespace
} // namespace vz::test
