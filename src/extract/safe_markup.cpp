#include "safe_markup.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "extract/html_tokenizer.h"
#include "extract/in_place_writer.h"

namespace vz::extract {

namespace {

constexpr auto none = std::u16string_view::npos;

// What becomes of an element's tags and content.
enum class Fate : std::uint8_t {
    Keep,    ///< allowed
    Table,   ///< allowed where tables are kept
    Picture, ///< allowed where pictures are kept
    RawText, ///< goes with its content, which a browser reads as text up to its end tag
    Whole,   ///< goes with its content, read as markup up to its matching end tag
    Void,    ///< goes; it has no content
    Rest,    ///< goes with everything after it
};

struct Element
{
    std::u16string_view name;
    Fate fate;
};

// Elements that switch the browser's tokenizer or load something (or may in some browser) are
// never allowed; what is allowed only gives the text its structure.
constexpr std::array kElements = {
    Element{u"a", Fate::Keep},           Element{u"abbr", Fate::Keep},        Element{u"acronym", Fate::Keep},
    Element{u"address", Fate::Keep},     Element{u"article", Fate::Keep},     Element{u"aside", Fate::Keep},
    Element{u"b", Fate::Keep},           Element{u"bdi", Fate::Keep},         Element{u"bdo", Fate::Keep},
    Element{u"big", Fate::Keep},         Element{u"blockquote", Fate::Keep},  Element{u"br", Fate::Keep},
    Element{u"center", Fate::Keep},      Element{u"cite", Fate::Keep},        Element{u"code", Fate::Keep},
    Element{u"dd", Fate::Keep},          Element{u"del", Fate::Keep},         Element{u"dfn", Fate::Keep},
    Element{u"div", Fate::Keep},         Element{u"dl", Fate::Keep},          Element{u"dt", Fate::Keep},
    Element{u"em", Fate::Keep},          Element{u"figcaption", Fate::Keep},  Element{u"figure", Fate::Keep},
    Element{u"font", Fate::Keep},        Element{u"footer", Fate::Keep},      Element{u"h1", Fate::Keep},
    Element{u"h2", Fate::Keep},          Element{u"h3", Fate::Keep},          Element{u"h4", Fate::Keep},
    Element{u"h5", Fate::Keep},          Element{u"h6", Fate::Keep},          Element{u"header", Fate::Keep},
    Element{u"hgroup", Fate::Keep},      Element{u"hr", Fate::Keep},          Element{u"i", Fate::Keep},
    Element{u"ins", Fate::Keep},         Element{u"kbd", Fate::Keep},         Element{u"li", Fate::Keep},
    Element{u"main", Fate::Keep},        Element{u"mark", Fate::Keep},        Element{u"nav", Fate::Keep},
    Element{u"nobr", Fate::Keep},        Element{u"ol", Fate::Keep},          Element{u"p", Fate::Keep},
    Element{u"pre", Fate::Keep},         Element{u"q", Fate::Keep},           Element{u"rb", Fate::Keep},
    Element{u"rp", Fate::Keep},          Element{u"rt", Fate::Keep},          Element{u"rtc", Fate::Keep},
    Element{u"ruby", Fate::Keep},        Element{u"s", Fate::Keep},           Element{u"samp", Fate::Keep},
    Element{u"section", Fate::Keep},     Element{u"small", Fate::Keep},       Element{u"span", Fate::Keep},
    Element{u"strike", Fate::Keep},      Element{u"strong", Fate::Keep},      Element{u"sub", Fate::Keep},
    Element{u"sup", Fate::Keep},         Element{u"time", Fate::Keep},        Element{u"tt", Fate::Keep},
    Element{u"u", Fate::Keep},           Element{u"ul", Fate::Keep},          Element{u"var", Fate::Keep},
    Element{u"wbr", Fate::Keep},         Element{u"basefont", Fate::Keep},    Element{u"blink", Fate::Keep},
    Element{u"details", Fate::Keep},     Element{u"fieldset", Fate::Keep},    Element{u"label", Fate::Keep},
    Element{u"legend", Fate::Keep},      Element{u"marquee", Fate::Keep},     Element{u"summary", Fate::Keep},
    Element{u"caption", Fate::Table},    Element{u"col", Fate::Table},        Element{u"colgroup", Fate::Table},
    Element{u"table", Fate::Table},      Element{u"tbody", Fate::Table},      Element{u"td", Fate::Table},
    Element{u"tfoot", Fate::Table},      Element{u"th", Fate::Table},         Element{u"thead", Fate::Table},
    Element{u"tr", Fate::Table},         Element{u"img", Fate::Picture},      Element{u"script", Fate::RawText},
    Element{u"style", Fate::RawText},    Element{u"iframe", Fate::RawText},   Element{u"noscript", Fate::RawText},
    Element{u"textarea", Fate::RawText}, Element{u"title", Fate::RawText},    Element{u"xmp", Fate::RawText},
    Element{u"noembed", Fate::RawText},  Element{u"noframes", Fate::RawText}, Element{u"template", Fate::Whole},
    Element{u"object", Fate::Whole},     Element{u"applet", Fate::Whole},     Element{u"svg", Fate::Whole},
    Element{u"math", Fate::Whole},       Element{u"embed", Fate::Void},       Element{u"plaintext", Fate::Rest},
};

const Element* elementOf(std::u16string_view s, const Markup& m)
{
    for (const Element& e : kElements) {
        if (spells(s, m.name, m.nameEnd, e.name)) {
            return &e;
        }
    }
    return nullptr;
}

// The attributes an allowed element keeps; the first two only on a and img.
constexpr std::array<std::u16string_view, 49> kAttributes = {
    u"href",        u"src",         u"style", u"abbr",    u"align",   u"alt",     u"axis",     u"bgcolor", u"border",
    u"cellpadding", u"cellspacing", u"char",  u"charoff", u"class",   u"clear",   u"color",    u"colspan", u"compact",
    u"datetime",    u"dir",         u"face",  u"frame",   u"headers", u"height",  u"hspace",   u"id",      u"itemprop",
    u"itemscope",   u"itemtype",    u"lang",  u"name",    u"noshade", u"nowrap",  u"reversed", u"role",    u"rowspan",
    u"rules",       u"scope",       u"size",  u"span",    u"start",   u"summary", u"title",    u"type",    u"valign",
    u"value",       u"vspace",      u"width", u"xml:lang"};
constexpr std::size_t kHref = 0;
constexpr std::size_t kSrc = 1;
constexpr std::size_t kStyle = 2;

std::size_t attributeOf(std::u16string_view s, const MarkupAttribute& a, const Element& element)
{
    for (std::size_t k = 0; k < kAttributes.size(); ++k) {
        if (spells(s, a.name, a.nameEnd, kAttributes[k])) {
            if ((k == kHref && element.name != u"a") || (k == kSrc && element.name != u"img")) {
                return none;
            }
            return k;
        }
    }
    return none;
}

bool isDroppedControl(char16_t c)
{
    return c < 0x20 && !isHtmlSpace(c);
}

// Whether a comment reads the same to every reader: opened by "<!--", closed by "-->" and not
// abruptly, holding no control character, and not one of the conditional comments some old
// readers run. Such a comment is inert wherever it stands, so pages keep it as they always did.
bool isPlainComment(std::u16string_view comment)
{
    if (comment.size() < 7 || !comment.starts_with(u"<!--") || !comment.ends_with(u"-->") ||
        comment.substr(4).starts_with(u"[")) {
        return false;
    }
    return std::none_of(comment.begin(), comment.end(), [](char16_t c) { return isDroppedControl(c) || c == 0x7F; });
}

// Whether a "<" followed by this character opens a tag, an end tag, a comment or a declaration.
bool opensMarkup(char16_t next)
{
    return isAsciiAlpha(next) || next == u'/' || next == u'!' || next == u'?';
}

char16_t lowerAscii(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
}

// The value as written, references and all (they read the same in any quotes), with what
// would end or confuse a double-quoted value, and control characters, written as references.
void appendAttributeText(std::u16string& out, std::u16string_view value, bool ampersands)
{
    for (const char16_t c : value) {
        switch (c) {
        case u'"':
            out += u"&quot;";
            break;
        case u'<':
            out += u"&lt;";
            break;
        case u'>':
            out += u"&gt;";
            break;
        case u'&':
            out += ampersands ? u"&amp;" : u"&";
            break;
        default:
            // Dropped, a control character could join an "&" to a name after it; as a
            // reference the value reads as it did.
            if (isDroppedControl(c)) {
                out += u"&#";
                if (c >= 10) {
                    out += static_cast<char16_t>(u'0' + c / 10);
                }
                out += static_cast<char16_t>(u'0' + c % 10);
                out += u';';
            } else {
                out += c;
            }
        }
    }
}

// Writes the text's own storage over from the front. Every piece of markup is read once, and
// an element that goes whole is read to its end once, so the work is linear in the text.
class Sanitizer
{
public:
    Sanitizer(std::u16string& text, MarkupPolicy policy, bool plainText)
        : m_out(text), m_s(m_out.unread()), m_policy(policy), m_plainText(plainText)
    {
    }

    void run()
    {
        std::size_t pos = 0;
        while (pos < m_s.size()) {
            const std::size_t lt = m_s.find(u'<', pos);
            text(lt == none ? m_s.size() : lt);
            if (lt == none) {
                break;
            }
            if (m_plainText) {
                // Plain text has no markup to read. Every "<" is written as a reference: one a
                // browser reads as text would still hide what follows it, up to the next ">",
                // from the guess of the charset of a page that declares none.
                m_out.skip(1);
                m_out.put(u"&lt;");
                pos = lt + 1;
                continue;
            }
            readMarkup(m_s, lt, m_markup);
            if (m_markup.kind == Markup::Kind::Text) {
                m_out.skip(1);
                textLt();
                pos = lt + 1;
                continue;
            }
            pos = markup();
        }
        if (m_pendingLt) {
            m_pendingLt = false;
            m_out.put(u"&lt;"); // what follows in the page is not known here
        }
        m_out.finish();
    }

private:
    // Text up to `to`: kept as it is but for control characters.
    void text(std::size_t to)
    {
        std::size_t from = m_out.readPosition();
        for (std::size_t i = from; i < to; ++i) {
            if (isDroppedControl(m_s[i])) {
                keep(i - from);
                m_out.skip(1);
                from = i + 1;
            }
        }
        keep(to - from);
    }

    void keep(std::size_t count)
    {
        if (count > 0) {
            settleLt(m_s[m_out.readPosition()]);
            m_out.keep(count);
        }
    }

    void put(std::u16string_view piece)
    {
        settleLt(piece.front());
        m_out.put(piece);
    }

    // A "<" of the text waits until what follows it in the output is known: it stays as it is
    // unless that begins markup. A tag dropped between the two halves of "<scr<b>ipt>" thus
    // cannot join them.
    void textLt()
    {
        settleLt(u'<');
        m_pendingLt = true;
    }

    void settleLt(char16_t next)
    {
        if (m_pendingLt) {
            m_pendingLt = false;
            if (opensMarkup(next)) {
                m_out.put(u"&lt;");
            } else {
                m_out.put(u'<');
            }
        }
    }

    // The markup m_markup holds; returns where reading goes on.
    std::size_t markup()
    {
        const Markup& m = m_markup;
        const std::size_t lt = m.begin;
        if (m.kind == Markup::Kind::Comment) {
            if (isPlainComment(m_s.substr(lt, m.end - lt))) {
                keep(m.end - lt);
            } else {
                m_out.skip(m.end - lt);
            }
            return m.end;
        }
        if (m.kind == Markup::Kind::Unfinished) {
            return dropThrough(m_s.size());
        }
        const Element* element = elementOf(m_s, m);
        if (!element) {
            return dropThrough(m.end);
        }
        const Fate fate = element->fate;
        const bool allowed = fate == Fate::Keep || (fate == Fate::Table && m_policy.tables) ||
                             (fate == Fate::Picture && m_policy.pictures);
        if (allowed) {
            return m.kind == Markup::Kind::StartTag ? startTag(*element) : endTag(*element);
        }
        if (m.kind == Markup::Kind::EndTag) {
            return dropThrough(m.end);
        }
        switch (fate) {
        case Fate::RawText:
            return dropThrough(rawTextElementEnd(m.end, element->name));
        case Fate::Whole:
            if (m.selfClosing && (element->name == u"svg" || element->name == u"math")) {
                return dropThrough(m.end);
            }
            return dropThrough(wholeElementEnd(m.end, element->name));
        case Fate::Rest:
            return dropThrough(m_s.size());
        default:
            return dropThrough(m.end);
        }
    }

    std::size_t dropThrough(std::size_t end)
    {
        m_out.skip(end - m_out.readPosition());
        return end;
    }

    // Just after the end tag that ends raw text begun at `from`; the text's end without one.
    std::size_t rawTextElementEnd(std::size_t from, std::u16string_view name)
    {
        const std::size_t endTag = rawTextEnd(m_s, from, name);
        if (endTag == none) {
            return m_s.size();
        }
        readMarkup(m_s, endTag, m_inner);
        return m_inner.end;
    }

    // Just after the end tag that closes an element begun before `from`, counting the elements
    // of its name inside it; the text's end without one. Raw text inside it is skipped as a
    // browser reads it in HTML content; in svg and math it is markup, and where it ends there
    // only decides how much of the page's text goes.
    std::size_t wholeElementEnd(std::size_t from, std::u16string_view name)
    {
        const bool foreign = name == u"svg" || name == u"math";
        int depth = 1;
        for (std::size_t p = from; p < m_s.size();) {
            const std::size_t lt = m_s.find(u'<', p);
            if (lt == none) {
                break;
            }
            readMarkup(m_s, lt, m_inner);
            p = m_inner.end;
            if (m_inner.kind == Markup::Kind::Unfinished) {
                break;
            }
            const bool same = (m_inner.kind == Markup::Kind::StartTag || m_inner.kind == Markup::Kind::EndTag) &&
                              spells(m_s, m_inner.name, m_inner.nameEnd, name);
            if (m_inner.kind == Markup::Kind::EndTag && same && --depth == 0) {
                return m_inner.end;
            }
            if (m_inner.kind != Markup::Kind::StartTag) {
                continue;
            }
            if (same) {
                depth += foreign && m_inner.selfClosing ? 0 : 1;
            } else if (!foreign) {
                const Element* inner = elementOf(m_s, m_inner);
                if (inner && inner->fate == Fate::RawText) {
                    p = rawTextElementEnd(m_inner.end, inner->name);
                } else if (inner && inner->fate == Fate::Rest) {
                    break;
                }
            }
        }
        return m_s.size();
    }

    std::size_t endTag(const Element& element)
    {
        const Markup& m = m_markup;
        if (m.plain) {
            keep(m.end - m.begin);
            return m.end;
        }
        m_tag.assign(u"</");
        m_tag += element.name;
        m_tag += u'>';
        dropThrough(m.end);
        put(m_tag);
        return m.end;
    }

    std::size_t startTag(const Element& element)
    {
        const Markup& m = m_markup;
        bool changed = false;
        bool picture = false;
        std::uint64_t seen = 0;
        m_kept.clear();
        for (const MarkupAttribute& a : m.attributes) {
            const std::size_t k = attributeOf(m_s, a, element);
            // The browser takes the first of repeated attributes; later ones go, as do those not allowed.
            if (k == none || (seen >> k & 1U) != 0) {
                changed = true;
                continue;
            }
            seen |= std::uint64_t{1} << k;
            const std::u16string_view value =
                a.hasValue ? m_s.substr(a.value, a.valueEnd - a.value) : std::u16string_view();
            const bool good = k == kHref    ? isSafeLink(value)
                              : k == kSrc   ? isKeptPicture(value)
                              : k == kStyle ? isInertStyle(value)
                                            : true;
            if (!good) {
                changed = true;
                continue;
            }
            picture = picture || k == kSrc;
            m_kept.push_back({&a, k});
        }
        if (element.fate == Fate::Picture && !picture) {
            return dropThrough(m.end); // a picture that shows nothing kept
        }
        if (!changed && m.plain) {
            keep(m.end - m.begin);
            return m.end;
        }
        m_tag.assign(u"<");
        m_tag += element.name;
        for (const auto& [a, k] : m_kept) {
            m_tag += u' ';
            m_tag += kAttributes[k];
            if (a->hasValue) {
                m_tag += u"=\"";
                appendAttributeText(m_tag, m_s.substr(a->value, a->valueEnd - a->value), false);
                m_tag += u'"';
            }
        }
        m_tag += u'>';
        dropThrough(m.end);
        put(m_tag);
        return m.end;
    }

private:
    struct Kept
    {
        const MarkupAttribute* attribute;
        std::size_t index;
    };

    InPlaceWriter m_out;
    std::u16string_view m_s; ///< the text as it was; read only ahead of the writing
    MarkupPolicy m_policy;
    bool m_plainText;
    bool m_pendingLt = false;
    Markup m_markup;
    Markup m_inner;
    std::u16string m_tag;
    std::vector<Kept> m_kept;
};

struct NamedReference
{
    std::u16string_view name;
    char16_t c;
};

// The named references that spell what address and style checks look at; any other name makes
// the value unreadable here, and so unsafe.
constexpr std::array kNamedReferences = {
    NamedReference{u"amp", u'&'},       NamedReference{u"AMP", u'&'},    NamedReference{u"lt", u'<'},
    NamedReference{u"LT", u'<'},        NamedReference{u"gt", u'>'},     NamedReference{u"GT", u'>'},
    NamedReference{u"quot", u'"'},      NamedReference{u"QUOT", u'"'},   NamedReference{u"apos", u'\''},
    NamedReference{u"nbsp", u'\u00A0'}, NamedReference{u"Tab", u'\t'},   NamedReference{u"NewLine", u'\n'},
    NamedReference{u"colon", u':'},     NamedReference{u"lpar", u'('},   NamedReference{u"rpar", u')'},
    NamedReference{u"sol", u'/'},       NamedReference{u"bsol", u'\\'},  NamedReference{u"period", u'.'},
    NamedReference{u"comma", u','},     NamedReference{u"semi", u';'},   NamedReference{u"num", u'#'},
    NamedReference{u"excl", u'!'},      NamedReference{u"quest", u'?'},  NamedReference{u"equals", u'='},
    NamedReference{u"plus", u'+'},      NamedReference{u"lowbar", u'_'}, NamedReference{u"percnt", u'%'},
    NamedReference{u"commat", u'@'},    NamedReference{u"lsqb", u'['},   NamedReference{u"rsqb", u']'},
    NamedReference{u"lcub", u'{'},      NamedReference{u"rcub", u'}'},   NamedReference{u"verbar", u'|'},
    NamedReference{u"grave", u'`'},     NamedReference{u"Hat", u'^'},    NamedReference{u"ast", u'*'},
    NamedReference{u"dollar", u'$'},
};

bool isAsciiAlnum(char16_t c)
{
    return isAsciiAlpha(c) || (c >= u'0' && c <= u'9');
}

void appendCodePoint(std::u16string& out, char32_t c)
{
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
    } else {
        c -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (c >> 10));
        out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    }
}

// A numeric reference at `at` ("&#" already seen): its character and length; length 0 when no
// digit follows, which leaves "&#" as text.
std::size_t numericReference(std::u16string_view s, std::size_t at, std::u16string& out)
{
    std::size_t p = at + 2;
    const bool hex = p < s.size() && (s[p] == u'x' || s[p] == u'X');
    p += hex ? 1 : 0;
    const std::size_t digits = p;
    char32_t value = 0;
    for (; p < s.size(); ++p) {
        const char16_t c = s[p];
        int d = -1;
        if (c >= u'0' && c <= u'9') {
            d = c - u'0';
        } else if (hex && lowerAscii(c) >= u'a' && lowerAscii(c) <= u'f') {
            d = lowerAscii(c) - u'a' + 10;
        }
        if (d < 0) {
            break;
        }
        value = value > 0x10FFFF ? value : value * (hex ? 16 : 10) + static_cast<char32_t>(d);
    }
    if (p == digits) {
        return 0;
    }
    if (p < s.size() && s[p] == u';') {
        ++p;
    }
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        value = 0xFFFD;
    }
    appendCodePoint(out, value);
    return p - at;
}

// Whether every "(" follows the name of a function that only computes a value.
bool callsOnlyValueFunctions(std::u16string_view lower)
{
    for (std::size_t at = lower.find(u'('); at != none; at = lower.find(u'(', at + 1)) {
        std::size_t start = at;
        while (start > 0 && ((lower[start - 1] >= u'a' && lower[start - 1] <= u'z') || lower[start - 1] == u'-')) {
            --start;
        }
        const std::u16string_view function = lower.substr(start, at - start);
        if (function != u"rgb" && function != u"rgba" && function != u"hsl" && function != u"hsla" &&
            function != u"calc") {
            return false;
        }
    }
    return true;
}

// The value with its character references read as a browser reads them; false when an "&" begins
// a name the browser might read otherwise than here (one not in the table, or without its ";"),
// so that nothing is judged by a reading the browser does not share.
bool readReferences(std::u16string_view value, std::u16string& read)
{
    read.clear();
    for (std::size_t i = 0; i < value.size();) {
        if (value[i] != u'&') {
            read += value[i++];
            continue;
        }
        if (i + 1 < value.size() && value[i + 1] == u'#') {
            const std::size_t used = numericReference(value, i, read);
            if (used == 0) {
                read += u"&#";
                i += 2;
            } else {
                i += used;
            }
            continue;
        }
        std::size_t end = i + 1;
        while (end < value.size() && isAsciiAlnum(value[end])) {
            ++end;
        }
        if (end == i + 1) {
            read += value[i++]; // an ampersand before anything but a name is text
            continue;
        }
        if (end >= value.size() || value[end] != u';') {
            return false; // a name the browser may read with or without what follows it
        }
        const std::u16string_view name = value.substr(i + 1, end - i - 1);
        bool known = false;
        for (const NamedReference& r : kNamedReferences) {
            if (r.name == name) {
                read += r.c;
                known = true;
                break;
            }
        }
        if (!known) {
            return false;
        }
        i = end + 1;
    }
    return true;
}

} // namespace

std::u16string SanitizeMarkup(std::u16string_view text, MarkupPolicy policy)
{
    std::u16string out(text);
    sanitizeMarkupInPlace(out, policy);
    return out;
}

void sanitizeMarkupInPlace(std::u16string& text, MarkupPolicy policy)
{
    Sanitizer(text, policy, false).run();
}

std::u16string PlainText(std::u16string_view text)
{
    std::u16string out(text);
    plainTextInPlace(out);
    return out;
}

void plainTextInPlace(std::u16string& text)
{
    Sanitizer(text, MarkupPolicy{}, true).run();
}

std::u16string AttributeText(std::u16string_view text)
{
    std::u16string out;
    appendAttributeText(out, text, true);
    return out;
}

bool isSafeLink(std::u16string_view value)
{
    std::u16string read;
    if (!readReferences(value, read)) {
        return false;
    }
    // As a browser's address parser takes it: controls and blanks at both ends go, tabs and line
    // breaks inside go, and a backslash counts as a slash.
    std::u16string address;
    for (const char16_t c : read) {
        if (c != u'\t' && c != u'\n' && c != u'\r') {
            address += c == u'\\' ? u'/' : c;
        }
    }
    const auto notEdge = [](char16_t c) { return c > 0x20; };
    const auto first = std::find_if(address.begin(), address.end(), notEdge);
    const auto last = std::find_if(address.rbegin(), address.rend(), notEdge).base();
    address = first < last ? std::u16string(first, last) : std::u16string();
    const std::size_t pathEnd = std::min(address.find_first_of(u"?#"), address.size());
    const std::size_t prefixEnd = std::min(address.find_first_of(u"/?#"), address.size());
    const std::size_t colon = address.find(u':');
    if (colon != none && colon < prefixEnd) {
        std::u16string scheme;
        for (std::size_t i = 0; i < colon; ++i) {
            scheme += lowerAscii(address[i]);
        }
        return scheme == u"http" || scheme == u"https";
    }
    if (address.starts_with(u"//")) {
        return false; // another host
    }
    // Each folder of the path, its "%xx" escapes read as the file system will read them, and the
    // dots and blanks that end it dropped, as Windows drops them.
    std::u16string segment;
    for (std::size_t i = 0; i <= pathEnd; ++i) {
        if (i == pathEnd || address[i] == u'/') {
            while (!segment.empty() && (segment.back() == u'.' || segment.back() == u' ')) {
                segment.pop_back();
            }
            if (segment == u"pix") {
                return false;
            }
            segment.clear();
            continue;
        }
        char16_t c = address[i];
        if (c == u':') {
            return false; // a drive, or a stream of a file, on Windows
        }
        if (c == u'%' && i + 2 < pathEnd) {
            const auto hex = [](char16_t h) {
                h = lowerAscii(h);
                return h >= u'0' && h <= u'9' ? h - u'0' : h >= u'a' && h <= u'f' ? h - u'a' + 10 : -1;
            };
            const int hi = hex(address[i + 1]);
            const int lo = hex(address[i + 2]);
            if (hi >= 0 && lo >= 0) {
                c = static_cast<char16_t>(hi * 16 + lo);
                i += 2;
                if (c == u'/' || c == u'\\') {
                    return false; // an escaped separator is read apart by some readers only
                }
            }
        }
        segment += lowerAscii(c);
    }
    return true;
}

bool isKeptPicture(std::u16string_view value)
{
    constexpr std::u16string_view folder = u"pix/";
    if (!value.starts_with(folder)) {
        return false;
    }
    std::size_t i = folder.size();
    while (i < value.size() && value[i] >= u'0' && value[i] <= u'9') {
        ++i;
    }
    if (i < folder.size() + 5) {
        return false;
    }
    for (; i < value.size(); ++i) {
        const char16_t c = value[i];
        if (!isAsciiAlnum(c) && c != u'.' && c != u'_' && c != u'-') {
            return false;
        }
    }
    return true;
}

bool isInertStyle(std::u16string_view value)
{
    std::u16string read;
    if (!readReferences(value, read)) {
        return false;
    }
    for (char16_t& c : read) {
        if (c == u'\\' || c == u'@' || c == u'<' || c == u'>' || isDroppedControl(c)) {
            return false;
        }
        c = lowerAscii(c);
    }
    return callsOnlyValueFunctions(read);
}

} // namespace vz::extract
