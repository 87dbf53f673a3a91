#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "run/reporter.h"
#include "run/run_state.h"
#include "run/site_list_file.h"

namespace vz::gather {

/// The rule that separates articles on the pages.
inline constexpr const char16_t* kRule = u" <hr noshade='noshade'  size=2 ><p></p>";

/// Writes the contents page that links the site pages of the site list (all of them, written
/// before any page is fetched; their names as plain text), and the day's book when `bookName` names
/// one, and with daily folders appends today's line to the day list one folder up. Throws
/// OutputError when a file cannot be written.
void MakeContents(const run::RunState& state, const run::SiteTable& table, run::Reporter& reporter,
                  const platform::DateTime& now, const std::u16string& bookName = {});

/// Name of a separate topic file: the number with five digits or more, then ".html".
std::u16string topicFileName(std::int32_t number);

/// The line of a site page that links a separate topic file, its headline written as plain text.
std::u16string topicLinkLine(std::int32_t number, std::u16string_view headline);

/// Writes one article as a page of its own. Throws OutputError when it cannot be written.
void WriteTopicFile(const run::RunState& state, const std::u16string& article, std::int32_t number);

} // namespace vz::gather
