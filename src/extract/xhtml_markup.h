#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

/// Articles as the XHTML of an e-book: the markup SanitizeMarkup lets through, written again so
/// that a strict XML reader takes it and the e-book format's own rules hold.
namespace vz::extract {

struct XhtmlOptions
{
    /// For vertical text: runs of one or two half-width letters or digits ("10", "JR") are set
    /// upright in the space of one character, as Japanese books set them.
    bool vertical = false;
    /// The name in the book of a kept picture ("pix/00012.gif" as the article names it), or
    /// nothing to leave the picture out. Without it every picture is left out.
    std::function<std::optional<std::u16string>(std::u16string_view)> picture;
};

/// The markup of an article (what SanitizeMarkup gives) as the body content of an XHTML page:
/// every element closed and nested as the e-book's rules allow (a paragraph closed before a block
/// begins in it, list items, rows and cells where a list or table needs them, nothing nested
/// deeper than a reader takes), old elements written as their present kin (font as span, center as
/// a centred div), of the attributes only those whose value the rules accept, character references
/// read into the characters they stand for (only "&amp;", "&lt;", "&gt;" and "&quot;" are written),
/// and characters XML cannot hold left out. Comments go. Linear in the markup.
std::u16string xhtmlFromMarkup(std::u16string_view markup, const XhtmlOptions& options);

/// Text as XHTML content: references read, "&", "<" and ">" escaped, characters XML cannot hold
/// left out; with `vertical`, short runs of letters and digits set upright as above.
std::u16string xhtmlText(std::u16string_view text, bool vertical = false);

/// The text with its character references read as a browser reads them in text (an attribute
/// value reads an old name without its ";" only when no letter, digit or "=" follows).
std::u16string readCharacterReferences(std::u16string_view text, bool attribute = false);

/// Escapes text for XML content or a double-quoted attribute value, leaving out the characters
/// XML cannot hold, with CR LF and lone CRs as LF and form feeds as blanks.
void appendXmlEscaped(std::u16string& out, std::u16string_view text, bool attribute = false);

} // namespace vz::extract
