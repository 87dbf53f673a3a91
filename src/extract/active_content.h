#pragma once

#include <string>
#include <string_view>

/// Removes what a browser would run or load from a cleaned article: the pages are opened in a
/// browser, and their markup comes from strangers.
namespace vz::extract {

/// The text without
/// - iframe, frameset, object and applet elements with what they enclose (through the first
///   matching end tag; without one, the opening tag alone), and frame, embed, meta, base and link
///   tags. These are found wherever they stand, in comments and attribute values too;
/// - in every other start tag, attributes named "on..." and attributes whose value is a
///   "javascript:" or "vbscript:" address (character references, blanks and line breaks inside
///   read as a browser reads them). Tags are read as a browser reads them, quotes included, and
///   quoted values are cleaned as text of their own, since a browser may read them as markup;
/// - a start tag that never ends, from its "<" on: the page goes on after the article, and the
///   tag would take the next text as its attributes.
/// Everything else stays as it was, so a text without such content comes back unchanged.
/// Linear in the text.
std::u16string RemoveActiveContent(std::u16string_view text);

/// Whether an attribute value is a script address, read as a browser reads a link: character
/// references decoded, tabs and line breaks dropped, leading blanks and controls skipped, the
/// scheme in any case.
bool isScriptAddress(std::u16string_view value);

} // namespace vz::extract
