#include "html_tokenizer.h"

namespace vz::extract {

namespace {

constexpr auto none = std::u16string_view::npos;

char16_t lowerAscii(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
}

bool isAsciiDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// Control characters other than the blanks: a reader may take them for anything.
bool isControl(char16_t c)
{
    return (c < 0x20 && !isHtmlSpace(c)) || c == 0x7F;
}

bool isPlainNameChar(char16_t c)
{
    return isAsciiAlpha(c) || isAsciiDigit(c) || c == u'-' || c == u'_' || c == u':';
}

// A comment from just after "<!--" to just after its end, by the comment states of the
// tokenizer: "-->", "--!>", and the abrupt "<!-->" and "<!--->". The states for a "<!--" inside
// a comment only report errors; they never move its end.
std::size_t commentEnd(std::u16string_view s, std::size_t p)
{
    enum class State { Start, StartDash, Body, EndDash, End, EndBang } state = State::Start;
    for (; p < s.size(); ++p) {
        const char16_t c = s[p];
        switch (state) {
        case State::Start:
            state = c == u'-' ? State::StartDash : State::Body;
            if (c == u'>') {
                return p + 1;
            }
            break;
        case State::StartDash:
            if (c == u'>') {
                return p + 1;
            }
            state = c == u'-' ? State::End : State::Body;
            break;
        case State::Body:
            if (c == u'-') {
                state = State::EndDash;
            }
            break;
        case State::EndDash:
            state = c == u'-' ? State::End : State::Body;
            break;
        case State::End:
            if (c == u'>') {
                return p + 1;
            }
            state = c == u'!' ? State::EndBang : c == u'-' ? State::End : State::Body;
            break;
        case State::EndBang:
            if (c == u'>') {
                return p + 1;
            }
            state = c == u'-' ? State::EndDash : State::Body;
            break;
        }
    }
    return s.size();
}

// A bogus comment, a doctype or a CDATA section outside foreign content: through the first ">".
std::size_t throughGt(std::u16string_view s, std::size_t p)
{
    const std::size_t gt = s.find(u'>', p);
    return gt == none ? s.size() : gt + 1;
}

// A tag from its name at `p` on, by the tag states of the tokenizer: the name, then attributes
// with values double-quoted, single-quoted or unquoted, through the ">" that ends it.
void readTag(std::u16string_view s, std::size_t p, Markup& m)
{
    const std::size_t n = s.size();
    m.name = p;
    while (p < n && !isHtmlSpace(s[p]) && s[p] != u'/' && s[p] != u'>') {
        m.plain = m.plain && (isAsciiAlpha(s[p]) || isAsciiDigit(s[p]));
        ++p;
    }
    m.nameEnd = p;
    auto finish = [&](std::size_t at) {
        m.end = at + 1;
        if (m.kind == Markup::Kind::EndTag && (!m.attributes.empty() || m.selfClosing)) {
            m.plain = false;
        }
    };
    auto unfinished = [&] {
        m.kind = Markup::Kind::Unfinished;
        m.end = n;
    };
    bool blankBefore = true; // whether a blank stands before the next attribute
    while (true) {
        // Before attribute name.
        while (p < n && isHtmlSpace(s[p])) {
            blankBefore = true;
            ++p;
        }
        if (p >= n) {
            return unfinished();
        }
        if (s[p] == u'>') {
            return finish(p);
        }
        if (s[p] == u'/') {
            // Self-closing start tag: "/>" ends the tag, anything else is read again as the
            // start of an attribute.
            if (p + 1 >= n) {
                return unfinished();
            }
            if (s[p + 1] == u'>') {
                m.selfClosing = true;
                return finish(p + 1);
            }
            m.plain = false;
            ++p;
            continue;
        }
        MarkupAttribute a;
        a.name = p;
        m.plain = m.plain && blankBefore;
        // An "=" that begins a name belongs to it.
        if (s[p] == u'=') {
            m.plain = false;
            ++p;
        }
        while (p < n && !isHtmlSpace(s[p]) && s[p] != u'/' && s[p] != u'>' && s[p] != u'=') {
            m.plain = m.plain && isPlainNameChar(s[p]);
            ++p;
        }
        a.nameEnd = p;
        // After attribute name.
        while (p < n && isHtmlSpace(s[p])) {
            ++p;
        }
        if (p >= n) {
            return unfinished();
        }
        if (s[p] != u'=') {
            m.attributes.push_back(a);
            blankBefore = p > a.nameEnd;
            continue;
        }
        // Before attribute value.
        ++p;
        while (p < n && isHtmlSpace(s[p])) {
            ++p;
        }
        if (p >= n) {
            return unfinished();
        }
        a.hasValue = true;
        if (s[p] == u'>') {
            // A missing value is an empty one.
            m.plain = false;
            a.value = a.valueEnd = p;
            m.attributes.push_back(a);
            return finish(p);
        }
        if (s[p] == u'"' || s[p] == u'\'') {
            a.quote = s[p];
            a.value = p + 1;
            const std::size_t close = s.find(a.quote, a.value);
            if (close == none) {
                return unfinished();
            }
            a.valueEnd = close;
            for (std::size_t i = a.value; i < close && m.plain; ++i) {
                m.plain = s[i] != u'<' && s[i] != u'>' && !isControl(s[i]);
            }
            m.attributes.push_back(a);
            p = close + 1;
            blankBefore = false;
            continue;
        }
        a.value = p;
        while (p < n && !isHtmlSpace(s[p]) && s[p] != u'>') {
            const char16_t c = s[p];
            m.plain = m.plain && c != u'"' && c != u'\'' && c != u'<' && c != u'=' && c != u'`' && !isControl(c);
            ++p;
        }
        if (p >= n) {
            return unfinished();
        }
        a.valueEnd = p;
        m.attributes.push_back(a);
        blankBefore = false;
    }
}

} // namespace

bool spells(std::u16string_view text, std::size_t from, std::size_t to, std::u16string_view lowerName)
{
    if (to - from != lowerName.size()) {
        return false;
    }
    for (std::size_t i = 0; i < lowerName.size(); ++i) {
        if (lowerAscii(text[from + i]) != lowerName[i]) {
            return false;
        }
    }
    return true;
}

void readMarkup(std::u16string_view s, std::size_t lt, Markup& m)
{
    m.kind = Markup::Kind::Text;
    m.begin = lt;
    m.end = lt + 1;
    m.name = m.nameEnd = lt + 1;
    m.selfClosing = false;
    m.plain = true;
    m.attributes.clear();
    const std::size_t n = s.size();
    const std::size_t p = lt + 1;
    if (p >= n) {
        return;
    }
    const char16_t c = s[p];
    if (isAsciiAlpha(c)) {
        m.kind = Markup::Kind::StartTag;
        readTag(s, p, m);
    } else if (c == u'/') {
        if (p + 1 >= n) {
            return; // "</" at the end is text
        }
        m.kind = Markup::Kind::Comment;
        if (isAsciiAlpha(s[p + 1])) {
            m.kind = Markup::Kind::EndTag;
            readTag(s, p + 1, m);
        } else if (s[p + 1] == u'>') {
            m.end = p + 2; // "</>" is dropped by the browser
        } else {
            m.end = throughGt(s, p + 1); // "</3": a bogus comment
        }
    } else if (c == u'!') {
        m.kind = Markup::Kind::Comment;
        m.end = s.substr(p + 1, 2) == u"--" ? commentEnd(s, p + 3) : throughGt(s, p + 1);
    } else if (c == u'?') {
        m.kind = Markup::Kind::Comment;
        m.end = throughGt(s, p);
    }
}

std::size_t rawTextEnd(std::u16string_view s, std::size_t from, std::u16string_view lowerName)
{
    for (std::size_t at = s.find(u"</", from); at != none; at = s.find(u"</", at + 1)) {
        const std::size_t after = at + 2 + lowerName.size();
        if (after < s.size() && spells(s, at + 2, after, lowerName) &&
            (isHtmlSpace(s[after]) || s[after] == u'/' || s[after] == u'>')) {
            return at;
        }
    }
    return none;
}

} // namespace vz::extract
