#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

/// Reading markup the way a browser's HTML tokenizer reads it, one piece at a time, without
/// building anything: the positions of a tag, its attributes and their values in the text.
namespace vz::extract {

/// One attribute of a tag as the tokenizer reads it; positions index the text.
struct MarkupAttribute
{
    std::size_t name = 0;
    std::size_t nameEnd = 0;
    bool hasValue = false;
    char16_t quote = 0; ///< '"' or '\'' for a quoted value, 0 otherwise
    std::size_t value = 0;
    std::size_t valueEnd = 0;
};

/// What begins at a "<" in the tokenizer's data state.
struct Markup
{
    enum class Kind {
        Text,       ///< the "<" is text
        StartTag,   ///< a start tag, complete
        EndTag,     ///< an end tag, complete
        Comment,    ///< a comment, bogus comment, doctype or "</>": nothing a reader sees
        Unfinished, ///< a tag the text ends inside
    };
    Kind kind = Kind::Text;
    std::size_t begin = 0;
    std::size_t end = 0;     ///< just after the markup; the text's end for a comment it ends inside
    std::size_t name = 0;    ///< a tag's name, [name, nameEnd)
    std::size_t nameEnd = 0; ///< an end tag's name begins after "</"
    bool selfClosing = false;
    /// Whether the tag is written so plainly that every reader, however old, reads it as the
    /// tokenizer does: a name of letters and digits, attributes apart by blanks, names of letters,
    /// digits, "-", "_" and ":", values quoted without "<", ">" and control characters or unquoted
    /// of plain characters, a "/" only before the final ">", and no attributes on an end tag.
    bool plain = true;
    std::vector<MarkupAttribute> attributes;
};

/// Reads the markup that begins with the "<" at `lt`. `markup` is reused from call to call, so
/// reading many tags allocates little. Takes time linear in the markup read.
void readMarkup(std::u16string_view text, std::size_t lt, Markup& markup);

/// Where the content of an element that a browser reads as raw text (script, style, textarea,
/// title and the like) ends: the "<" of the first "</" + `lowerName` + a blank, "/" or ">" at
/// or after `from`, ignoring case; npos when there is none.
std::size_t rawTextEnd(std::u16string_view text, std::size_t from, std::u16string_view lowerName);

/// Whether [from, to) of the text, read with ASCII letters lower-cased, is `lowerName`.
bool spells(std::u16string_view text, std::size_t from, std::size_t to, std::u16string_view lowerName);

/// The blanks of HTML: space, tab, line feed, form feed and carriage return.
inline bool isHtmlSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\f' || c == u'\r';
}

inline bool isAsciiAlpha(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

} // namespace vz::extract
