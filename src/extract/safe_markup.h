#pragma once

#include <string>
#include <string_view>

/// The last step before text from a fetched page reaches an output page, which a reader opens in
/// a browser from the disk: only markup that can neither run nor load anything passes.
namespace vz::extract {

/// Which elements an article may keep besides text structure, lists, links and ruby.
struct MarkupPolicy
{
    bool tables = true;   ///< table, tr, td and the like
    bool pictures = true; ///< img, and only for the run's own kept pictures ("pix/00012.gif")
};

/// The text as a browser's tokenizer reads it, with only allowed markup left:
/// - allowed elements keep their tags, and of their attributes only the presentational ones, a
///   link (href on a) to an http, https, relative or fragment address that does not reach into
///   the pictures folder, a picture (src on img) that names a kept picture, and a style that
///   calls no function but colours and arithmetic and holds no "\" or "@"; the first of repeated
///   attributes counts. A tag that loses nothing and is written plainly keeps its bytes; any
///   other is written anew, values double-quoted;
/// - script, style, template, iframe, object, embed, applet, svg, math, noscript, textarea,
///   title, xmp, plaintext, noembed and noframes go with their content;
/// - every other tag goes and its content stays; comments, doctypes, processing instructions
///   and CDATA go; so does what a tag or comment left unfinished at the end holds;
/// - a "<" left in the text becomes "&lt;" where what follows it here would begin markup, and
///   at the end, where what follows is not known;
/// - control characters other than blanks and line ends go.
/// Linear in the text; the result read again gives itself.
std::u16string SanitizeMarkup(std::u16string_view text, MarkupPolicy policy);
/// SanitizeMarkup on the text's own storage: a large article is not held twice.
void sanitizeMarkupInPlace(std::u16string& text, MarkupPolicy policy);

/// Text that holds no markup at all: every "<" becomes "&lt;", and control characters other than
/// blanks and line ends go. What holds neither comes back unchanged.
std::u16string PlainText(std::u16string_view text);
void plainTextInPlace(std::u16string& text);

/// Text for a double-quoted attribute value: "&", '"', "<", ">" and control characters other
/// than blanks written as references.
std::u16string AttributeText(std::u16string_view text);

/// Whether a link address (an href value as written, references and all) may stay: http, https,
/// relative or a fragment, never to another host by "//", never into the pictures folder, whose
/// files hold strangers' bytes under names a browser may open as a page.
bool isSafeLink(std::u16string_view value);

/// Whether a picture address (an src value as written) names a kept picture: "pix/", at least five
/// digits, then letters, digits, ".", "_" or "-".
bool isKeptPicture(std::u16string_view value);

/// Whether a style attribute's value (as written) can neither load anything nor be read two ways:
/// every "(" follows rgb, rgba, hsl, hsla or calc, and it holds no "\", "@", "<", ">" or control
/// character, once its references are read.
bool isInertStyle(std::u16string_view value);

} // namespace vz::extract
