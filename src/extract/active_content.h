#pragma once

#include <string>
#include <string_view>

/// Removes what a browser would run or load from a cleaned article: the pages are opened in a
/// browser, and their markup comes from strangers.
namespace vz::extract {

/// The text without
/// - iframe, frameset, object, applet and style elements with what they enclose (through the first
///   matching end tag; without one, the opening tag alone), and frame, embed, meta, base and link
///   tags. These are found wherever they stand, in comments and attribute values too;
/// - in every other start tag, the attributes isActiveAttribute names. Tags are read as a browser
///   reads them, quotes included, and quoted values are cleaned as text of their own, since a
///   browser may read them as markup;
/// - a start tag that never ends, from its "<" on: the page goes on after the article, and the
///   tag would take the next text as its attributes.
/// Everything else stays as it was, so a text without such content comes back unchanged.
/// Linear in the text.
std::u16string RemoveActiveContent(std::u16string_view text);
/// RemoveActiveContent on the text's own storage: a large article is not held twice.
void removeActiveContentInPlace(std::u16string& text);

/// An attribute value as a browser reads an address, lower-cased, at most `limit` characters:
/// character references decoded, tabs and line breaks dropped, leading blanks and controls
/// skipped.
std::u16string addressAsRead(std::u16string_view value, std::size_t limit);

/// Whether an attribute value is a "javascript:" or "vbscript:" address.
bool isScriptAddress(std::u16string_view value);

/// Whether an address leads off the page's own folder: it has a scheme, or begins with two
/// slashes (or backslashes, which browsers take for slashes).
bool isForeignAddress(std::u16string_view value);

/// Whether an attribute of a tag that stays must go: an event handler ("on..."), a script
/// address in any attribute, a foreign address in an attribute a browser fetches or follows
/// (src, href, background, srcset and the like), or a style that can fetch (url(), image
/// functions, imports, escapes).
bool isActiveAttribute(std::u16string_view name, std::u16string_view value, bool hasValue);

} // namespace vz::extract
