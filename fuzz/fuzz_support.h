#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/messages.h"
#include "run/front_end.h"
#include "run/reporter.h"
#include "run/run_state.h"
#include "run/text.h"
#include "support/markup_oracle.h"

/// What the fuzz targets share: the input cut into texts, and a reporter whose lines go nowhere.
namespace vz::fuzz {

/// The input cut at each 0x01 byte into at most `count` parts (the last takes the rest); parts
/// the input does not reach are empty.
inline std::vector<std::string> byteParts(const std::uint8_t* data, std::size_t size, std::size_t count)
{
    std::vector<std::string> parts(count);
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::size_t from = 0;
    for (std::size_t k = 0; k < count && from <= input.size(); ++k) {
        const std::size_t cut = k + 1 == count ? std::string_view::npos : input.find('\x01', from);
        parts[k] = std::string(input.substr(from, cut == std::string_view::npos ? std::string_view::npos : cut - from));
        from = cut == std::string_view::npos ? input.size() + 1 : cut + 1;
    }
    return parts;
}

/// As byteParts, each part read as UTF-8 (invalid bytes become U+FFFD).
inline std::vector<std::u16string> parts(const std::uint8_t* data, std::size_t size, std::size_t count)
{
    std::vector<std::u16string> texts;
    for (const std::string& part : byteParts(data, size, count)) {
        texts.push_back(text::fromUtf8(part));
    }
    return texts;
}

/// Swallows every report, question and message.
class Silent final : public run::ErrorSink, public platform::Messages
{
public:
    void appendLine(const std::u16string&) override {}
    void information(const std::u16string&) override {}
    void alert(const std::u16string&) override {}
    bool askOkCancel(const std::u16string&) override { return false; }
    bool askYesNo(const std::u16string&) override { return false; }
};

/// A reporter whose log cannot be written (its folder is no folder), so nothing piles up.
struct QuietReporter
{
    QuietReporter() { state.DataPath = u"/dev/null/"; }
    run::RunState state;
    Silent silent;
    run::Reporter reporter{state, silent, silent};
};

/// Stops the run, which libFuzzer records as a crash, when two results that must agree do not.
inline void mustAgree(const std::u16string& fast, const std::u16string& literal, const char* what)
{
    if (fast != literal) {
        std::fprintf(stderr, "%s: the fast and the literal version disagree\nfast:    %s\nliteral: %s\n", what,
                     text::toUtf8(fast).c_str(), text::toUtf8(literal).c_str());
        std::abort();
    }
}

/// Stops the run when an HTML5 parser finds in `page` what the rules do not allow.
inline void mustHoldOnlyAllowed(const std::u16string& page, const test::OracleRules& rules, const char* what)
{
    const std::string found = test::forbiddenMarkup(page, rules);
    if (!found.empty()) {
        std::fprintf(stderr, "%s: the output holds %s\npage: %s\n", what, found.c_str(), text::toUtf8(page).c_str());
        std::abort();
    }
}

} // namespace vz::fuzz
