#include "active_content.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>

#include "run/text.h"

namespace vz::extract {

namespace {

constexpr auto none = std::u16string_view::npos;

// Elements whose content goes with them, then tags that go alone.
constexpr std::array<std::u16string_view, 10> kActiveNames = {u"iframe", u"frameset", u"object", u"applet", u"style",
                                                              u"frame",  u"embed",    u"meta",   u"base",   u"link"};
constexpr std::size_t kEnclosing = 5;
constexpr std::size_t kLongestName = 8;

bool isAsciiLetter(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isHtmlSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\f' || c == u'\r';
}

bool endsTagName(char16_t c)
{
    return isHtmlSpace(c) || c == u'/' || c == u'>';
}

// Whether `s` holds `lowerPattern` at `at` when its ASCII letters are read lower-cased. Every
// name and pattern here is written in lower case; comparing this way spares a lower-cased copy
// of a text that may be many megabytes.
bool matchesAt(std::u16string_view s, std::size_t at, std::u16string_view lowerPattern)
{
    if (at > s.size() || s.size() - at < lowerPattern.size()) {
        return false;
    }
    for (std::size_t i = 0; i < lowerPattern.size(); ++i) {
        if (text::LCaseChar(s[at + i]) != lowerPattern[i]) {
            return false;
        }
    }
    return true;
}

// The first place at or after `from` where `s`, read lower-cased, holds `lowerPattern`. The
// patterns begin with "<" or ">", which have no case.
std::size_t findFolded(std::u16string_view s, std::u16string_view lowerPattern, std::size_t from)
{
    for (auto at = s.find(lowerPattern.front(), from); at != none; at = s.find(lowerPattern.front(), at + 1)) {
        if (matchesAt(s, at, lowerPattern)) {
            return at;
        }
    }
    return none;
}

// Which active name the text holds right after a "<" (at `at`), or none.
std::size_t activeNameAt(std::u16string_view s, std::size_t at)
{
    for (std::size_t k = 0; k < kActiveNames.size(); ++k) {
        const std::u16string_view name = kActiveNames[k];
        if (matchesAt(s, at, name) && (at + name.size() == s.size() || endsTagName(s[at + name.size()]))) {
            return k;
        }
    }
    return none;
}

// Finds, in a text and for positions that only grow, the first end tag of one name, or the first
// ">"; each answer is reused while it lies ahead, so the text is scanned about once per pattern.
// The text behind the positions asked for may change meanwhile: it is never looked at again.
class Finder
{
public:
    Finder(std::u16string_view s, std::u16string_view pattern, bool endTag)
        : m_s(s), m_pattern(pattern), m_endTag(endTag)
    {
    }
    std::size_t from(std::size_t pos)
    {
        if (m_known && pos >= m_from && (m_at == none || m_at >= pos)) {
            return m_at;
        }
        m_known = true;
        m_from = pos;
        for (m_at = findFolded(m_s, m_pattern, pos); m_at != none; m_at = findFolded(m_s, m_pattern, m_at + 1)) {
            const std::size_t after = m_at + m_pattern.size();
            if (!m_endTag || after == m_s.size() || endsTagName(m_s[after])) {
                break;
            }
        }
        return m_at;
    }

private:
    std::u16string_view m_s;
    std::u16string_view m_pattern;
    bool m_endTag;
    bool m_known = false;
    std::size_t m_from = 0;
    std::size_t m_at = none;
};

// Where a filter writes its output: over its own input, from the start. Whatever is written
// comes from at or after the write position, so no character is overwritten before it is read,
// and the text is never held twice.
class InPlace
{
public:
    explicit InPlace(std::u16string& text) : m_text(text) {}
    std::size_t size() const { return m_size; }
    std::u16string_view written() const { return std::u16string_view(m_text).substr(0, m_size); }
    /// `piece` lies in the text at or after the write position.
    void append(std::u16string_view piece)
    {
        std::char_traits<char16_t>::move(m_text.data() + m_size, piece.data(), piece.size());
        m_size += piece.size();
    }
    void push(char16_t c) { m_text[m_size++] = c; }
    void resize(std::size_t size) { m_size = size; }
    /// Ends the filter: the text is what was written.
    void finish() { m_text.resize(m_size); }

private:
    std::u16string& m_text;
    std::size_t m_size = 0;
};

// The active elements and tags, each found wherever it stands. A cut can join the text before
// it and after it into a new "<iframe"; the start of a name left at the end of the output is
// therefore looked at again with what follows.
void removeActiveElements(std::u16string& buffer)
{
    const std::u16string_view text = buffer;
    std::array<Finder, kEnclosing> endTags = {Finder(text, u"</iframe", true), Finder(text, u"</frameset", true),
                                              Finder(text, u"</object", true), Finder(text, u"</applet", true),
                                              Finder(text, u"</style", true)};
    Finder nextGt(text, u">", false);
    // The end of the stretch of name `k` whose tag starts before `from` (the tag's own "<" and
    // name hold no ">" and no end tag).
    auto stretchEnd = [&](std::size_t k, std::size_t from) {
        std::size_t at = k < kEnclosing ? endTags[k].from(from) : none;
        at = nextGt.from(at == none ? from : at);
        return at == none ? text.size() : at + 1;
    };

    InPlace out(buffer);
    std::size_t read = 0;
    while (read < text.size()) {
        const std::size_t lt = text.find(u'<', read);
        if (lt == none) {
            out.append(text.substr(read));
            break;
        }
        out.append(text.substr(read, lt - read));
        const std::size_t k = activeNameAt(text, lt + 1);
        if (k == none) {
            out.push(u'<');
            read = lt + 1;
            continue;
        }
        read = stretchEnd(k, lt + 1);
        for (;;) {
            // Only a "<" among the last characters written can begin a name with what follows.
            const std::size_t window = std::min(out.size(), kLongestName + 1);
            const std::size_t inWindow = out.written().substr(out.size() - window).rfind(u'<');
            if (inWindow == none) {
                break;
            }
            const std::size_t tail = out.size() - window + inWindow;
            std::u16string probe = text::LCase(out.written().substr(tail));
            bool letters = true;
            for (std::size_t i = 1; i < probe.size(); ++i) {
                letters = letters && isAsciiLetter(probe[i]);
            }
            if (!letters) {
                break;
            }
            probe += text::LCase(text.substr(read, kLongestName + 1));
            const std::size_t joined = activeNameAt(probe, 1);
            if (joined == none) {
                break;
            }
            out.resize(tail);
            read = stretchEnd(joined, read);
        }
    }
    out.finish();
}

// One attribute of a start tag as a browser reads it: its name from `name`, its value (when it
// has one) from `valueStart` to `valueEnd`, quoted or not, and where it ends.
struct Attribute
{
    std::size_t name = 0;
    std::size_t nameEnd = 0;
    bool hasValue = false;
    char16_t quote = 0;
    std::size_t valueStart = 0;
    std::size_t valueEnd = 0;
    std::size_t end = 0;
    bool complete = true; ///< false when the text ended inside it
};

Attribute readAttribute(std::u16string_view s, std::size_t p)
{
    Attribute a;
    a.name = p++;
    while (p < s.size() && !isHtmlSpace(s[p]) && s[p] != u'/' && s[p] != u'>' && s[p] != u'=') {
        ++p;
    }
    a.nameEnd = a.end = p;
    std::size_t q = p;
    while (q < s.size() && isHtmlSpace(s[q])) {
        ++q;
    }
    if (q >= s.size() || s[q] != u'=') {
        return a;
    }
    a.hasValue = true;
    ++q;
    while (q < s.size() && isHtmlSpace(s[q])) {
        ++q;
    }
    if (q >= s.size()) {
        a.complete = false;
    } else if (s[q] == u'"' || s[q] == u'\'') {
        a.quote = s[q];
        a.valueStart = q + 1;
        const std::size_t close = s.find(a.quote, a.valueStart);
        a.complete = close != none;
        a.valueEnd = close;
        a.end = close + 1;
    } else {
        a.valueStart = q;
        while (q < s.size() && !isHtmlSpace(s[q]) && s[q] != u'>') {
            ++q;
        }
        a.valueEnd = a.end = q;
    }
    return a;
}

bool isActive(std::u16string_view s, const Attribute& a)
{
    return isActiveAttribute(s.substr(a.name, a.nameEnd - a.name),
                             a.hasValue ? s.substr(a.valueStart, a.valueEnd - a.valueStart) : std::u16string_view(),
                             a.hasValue);
}

// Appends `s` with the active attributes of its start tags removed. Nothing is appended that
// does not stand at or after the place it goes to, so `out` may write over `s`.
void cleanTags(std::u16string_view s, InPlace& out)
{
    std::size_t i = 0;
    while (i < s.size()) {
        const std::size_t lt = s.find(u'<', i);
        if (lt == none || lt + 1 >= s.size()) {
            out.append(s.substr(i));
            return;
        }
        out.append(s.substr(i, lt - i));
        if (!isAsciiLetter(s[lt + 1])) {
            out.push(u'<');
            i = lt + 1;
            continue;
        }
        std::size_t p = lt + 1;
        while (p < s.size() && !endsTagName(s[p])) {
            ++p;
        }
        const std::size_t mark = out.size();
        out.append(s.substr(lt, p - lt));
        bool closed = false;
        bool afterName = false; // the last attribute kept has no value, and only blanks followed it
        while (p < s.size() && !closed) {
            const char16_t c = s[p];
            if (isHtmlSpace(c) || c == u'/' || c == u'>') {
                out.push(c);
                closed = c == u'>';
                afterName = afterName && c != u'/';
                ++p;
                continue;
            }
            const Attribute a = readAttribute(s, p);
            if (!a.complete) {
                break;
            }
            p = a.end;
            if (isActive(s, a)) {
                // With it gone, a "=" after it would give the attribute before it a value; the
                // attribute that "=" begins names nothing and goes too.
                for (std::size_t q = p; afterName && p < s.size(); q = p) {
                    while (q < s.size() && isHtmlSpace(s[q])) {
                        ++q;
                    }
                    if (q >= s.size() || s[q] != u'=') {
                        break;
                    }
                    const Attribute junk = readAttribute(s, q);
                    p = junk.complete ? junk.end : s.size();
                }
                continue;
            }
            afterName = !a.hasValue;
            if (a.quote == 0) {
                out.append(s.substr(a.name, a.end - a.name));
            } else {
                out.append(s.substr(a.name, a.valueStart - a.name));
                cleanTags(s.substr(a.valueStart, a.valueEnd - a.valueStart), out);
                out.push(a.quote);
            }
        }
        if (!closed) {
            out.resize(mark); // a tag that never ends goes with the rest of the text
            return;
        }
        i = p;
    }
}

// A character reference at `at` ("&#106;", "&#x6A", "&Tab;", "&NewLine;", "&colon;"): the
// character and the length, or length 0.
std::pair<char32_t, std::size_t> reference(std::u16string_view s, std::size_t at)
{
    for (const auto& [name, c] :
         {std::pair<std::u16string_view, char32_t>{u"&Tab;", U'\t'}, {u"&NewLine;", U'\n'}, {u"&colon;", U':'}}) {
        if (s.substr(at, name.size()) == name) {
            return {c, name.size()};
        }
    }
    std::size_t p = at + 1;
    if (p >= s.size() || s[p] != u'#') {
        return {0, 0};
    }
    ++p;
    const bool hex = p < s.size() && (s[p] == u'x' || s[p] == u'X');
    p += hex ? 1 : 0;
    const std::size_t digits = p;
    char32_t value = 0;
    for (; p < s.size(); ++p) {
        const char16_t c = s[p];
        int d = -1;
        if (c >= u'0' && c <= u'9') {
            d = c - u'0';
        } else if (hex && (c | 0x20) >= u'a' && (c | 0x20) <= u'f') {
            d = (c | 0x20) - u'a' + 10;
        }
        if (d < 0) {
            break;
        }
        value = value > 0x10FFFF ? value : value * (hex ? 16 : 10) + static_cast<char32_t>(d);
    }
    if (p == digits) {
        return {0, 0};
    }
    if (p < s.size() && s[p] == u';') {
        ++p;
    }
    return {value, p - at};
}

} // namespace

std::u16string addressAsRead(std::u16string_view value, std::size_t limit)
{
    std::u16string scheme;
    for (std::size_t i = 0; i < value.size() && scheme.size() < limit;) {
        char32_t c = value[i];
        std::size_t length = 1;
        if (c == U'&') {
            const auto [decoded, used] = reference(value, i);
            if (used > 0) {
                c = decoded;
                length = used;
            }
        }
        i += length;
        if (c == U'\t' || c == U'\n' || c == U'\r' || (scheme.empty() && c <= 0x20)) {
            continue;
        }
        scheme += c < 0x80 ? text::LCaseChar(static_cast<char16_t>(c)) : u'\uFFFD';
    }
    return scheme;
}

bool isScriptAddress(std::u16string_view value)
{
    const std::u16string address = addressAsRead(value, 11);
    return address.starts_with(u"javascript:") || address.starts_with(u"vbscript:");
}

bool isForeignAddress(std::u16string_view value)
{
    const std::u16string address = addressAsRead(value, 64);
    const auto isSlash = [](char16_t c) { return c == u'/' || c == u'\\'; };
    if (address.size() >= 2 && isSlash(address[0]) && isSlash(address[1])) {
        return true; // another host, by the page's own scheme
    }
    // A scheme: a letter, then letters, digits, "+", "-" or ".", then ":".
    for (std::size_t i = 0; i < address.size(); ++i) {
        const char16_t c = address[i];
        if (c == u':') {
            return i > 0;
        }
        const bool letter = c >= u'a' && c <= u'z';
        if (!letter && (i == 0 || !((c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.'))) {
            return false;
        }
    }
    return false;
}

bool isActiveAttribute(std::u16string_view name, std::u16string_view value, bool hasValue)
{
    const std::u16string low = text::LCase(name);
    if (low.starts_with(u"on")) {
        return true;
    }
    if (!hasValue) {
        return false;
    }
    if (isScriptAddress(value)) {
        return true;
    }
    // Whatever a browser would fetch from elsewhere: the page is read offline, and a stranger
    // would learn when and where.
    constexpr std::u16string_view kAddressNames[] = {u"src",      u"href",   u"xlink:href", u"background", u"poster",
                                                     u"data",     u"action", u"formaction", u"lowsrc",     u"dynsrc",
                                                     u"codebase", u"ping",   u"manifest",   u"icon",       u"archive",
                                                     u"longdesc", u"profile"};
    for (const std::u16string_view address : kAddressNames) {
        if (low == address) {
            return isForeignAddress(value);
        }
    }
    const std::u16string read = addressAsRead(value, value.size());
    if (low == u"srcset") {
        return read.find(u':') != std::u16string::npos || read.find(u"//") != std::u16string::npos ||
               read.find(u'\\') != std::u16string::npos;
    }
    // Style sheets, and the drawing attributes that take their values, fetch through url() and
    // image functions; in a style attribute escapes can spell them.
    for (auto at = read.find(u"url("); at != std::u16string::npos; at = read.find(u"url(", at + 1)) {
        std::u16string_view argument = std::u16string_view(read).substr(at + 4);
        while (!argument.empty() &&
               (isHtmlSpace(argument.front()) || argument.front() == u'"' || argument.front() == u'\'')) {
            argument.remove_prefix(1);
        }
        if (isForeignAddress(argument) || argument.find(u'\\') != std::u16string_view::npos) {
            return true;
        }
    }
    if (low == u"style") {
        for (const std::u16string_view fetching : {u"image(", u"image-set(", u"cross-fade(", u"element(",
                                                   u"expression(", u"@import", u"behavior", u"binding", u"\\"}) {
            if (read.find(fetching) != std::u16string::npos) {
                return true;
            }
        }
    }
    return false;
}

std::u16string RemoveActiveContent(std::u16string_view text)
{
    std::u16string out(text);
    removeActiveContentInPlace(out);
    return out;
}

void removeActiveContentInPlace(std::u16string& text)
{
    removeActiveElements(text);
    // Both passes shorten the text or keep it; the second reads what the first left.
    InPlace out(text);
    cleanTags(text, out);
    out.finish();
}

} // namespace vz::extract
