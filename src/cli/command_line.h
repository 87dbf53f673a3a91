#pragma once

#include <optional>
#include <string>
#include <vector>

/// The words the program is started with, read the same way by the command and by the windows.
namespace vz::cli {

struct CommandLine
{
    enum class Action { Run, Help, Version, Usage };
    /// The first of --help, --version and a mistake decides; otherwise the program runs.
    Action action = Action::Run;
    /// For Usage: what is wrong ("--ini needs a file").
    std::string problem;
    bool headless = false;
    bool quiet = false;
    /// --epub and --vertical: the day's book, whatever the site list's options say (headless only).
    bool epub = false;
    bool vertical = false;
    /// --no-cache: with --headless or --check, responses are neither asked for with validators
    /// nor kept.
    bool noCache = false;
    /// --check [SITE]...: the sites tried without windows, as text or (--json) as one JSON document.
    bool check = false;
    bool json = false;
    std::vector<std::string> sites;
    /// --ini FILE, as given.
    std::optional<std::string> ini;
    /// --jobs N; without it the windows take the number last picked in their menu, the command 8.
    std::optional<int> jobs;
};

CommandLine parseCommandLine(int argc, char** argv);

/// The text --help shows.
extern const char* const kHelpText;

/// Tells standard error what is wrong with the words and how to get help; returns the exit status
/// of a usage error.
int usage(const std::string& problem);

} // namespace vz::cli
