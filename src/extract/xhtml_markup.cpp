#include "xhtml_markup.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "extract/html_entities.h"
#include "extract/html_tokenizer.h"

namespace vz::extract {

namespace {

constexpr auto none = std::u16string_view::npos;

// What an element may hold, which decides what must be closed or opened around what comes next.
enum class Kind : std::uint8_t {
    Flow,     ///< blocks and text: div, blockquote, li, dd, td, th, and the article itself
    Phrasing, ///< a block that holds text only: p, h1-h6, pre, dt
    Inline,   ///< text-level, holding text-level content
    List,     ///< list items only
    Terms,    ///< terms and descriptions only
    Table,    ///< rows only
    Row,      ///< cells only
    Ruby,
    RubyText,
    Hidden, ///< left out with everything in it
};

// What a tag of the allowlist becomes.
enum class Role : std::uint8_t {
    Container, ///< an element of its kind
    Skip,      ///< the tag goes, its content stays
    Break,     ///< br, wbr
    Rule,      ///< hr
    Picture,
    ListItem,
    Term,
    Description,
    TableRow,
    TableCell,
    RubyPart,  ///< rt
    RubyParen, ///< rp: for readers without ruby, which e-books do not need
};

struct Rule
{
    std::u16string_view in;
    std::u16string_view out;
    Kind kind;
    Role role;
    std::u16string_view addedClass = {};
};

constexpr auto C = Role::Container;

// Every element the allowlist lets through. Elements of old HTML become their present kin, and
// those whose placement the e-book's rules restrict beyond what is checked here (sectioning,
// captions, legends, summaries) become plain divisions, which go anywhere a block goes.
constexpr std::array kRules = {
    Rule{u"a", u"a", Kind::Inline, C},
    Rule{u"abbr", u"abbr", Kind::Inline, C},
    Rule{u"acronym", u"abbr", Kind::Inline, C},
    Rule{u"address", u"div", Kind::Flow, C},
    Rule{u"article", u"div", Kind::Flow, C},
    Rule{u"aside", u"div", Kind::Flow, C},
    Rule{u"b", u"b", Kind::Inline, C},
    Rule{u"basefont", u"", Kind::Inline, Role::Skip},
    Rule{u"bdi", u"bdi", Kind::Inline, C},
    Rule{u"bdo", u"span", Kind::Inline, C},
    Rule{u"big", u"span", Kind::Inline, C},
    Rule{u"blink", u"span", Kind::Inline, C},
    Rule{u"blockquote", u"blockquote", Kind::Flow, C},
    Rule{u"br", u"br", Kind::Inline, Role::Break},
    Rule{u"caption", u"", Kind::Inline, Role::Skip},
    Rule{u"center", u"div", Kind::Flow, C, u"center"},
    Rule{u"cite", u"cite", Kind::Inline, C},
    Rule{u"code", u"code", Kind::Inline, C},
    Rule{u"col", u"", Kind::Inline, Role::Skip},
    Rule{u"colgroup", u"", Kind::Inline, Role::Skip},
    Rule{u"dd", u"dd", Kind::Flow, Role::Description},
    Rule{u"del", u"del", Kind::Inline, C},
    Rule{u"details", u"div", Kind::Flow, C},
    Rule{u"dfn", u"span", Kind::Inline, C},
    Rule{u"div", u"div", Kind::Flow, C},
    Rule{u"dl", u"dl", Kind::Terms, C},
    Rule{u"dt", u"dt", Kind::Phrasing, Role::Term},
    Rule{u"em", u"em", Kind::Inline, C},
    Rule{u"fieldset", u"div", Kind::Flow, C},
    Rule{u"figcaption", u"div", Kind::Flow, C},
    Rule{u"figure", u"div", Kind::Flow, C},
    Rule{u"font", u"span", Kind::Inline, C},
    Rule{u"footer", u"div", Kind::Flow, C},
    Rule{u"h1", u"h1", Kind::Phrasing, C},
    Rule{u"h2", u"h2", Kind::Phrasing, C},
    Rule{u"h3", u"h3", Kind::Phrasing, C},
    Rule{u"h4", u"h4", Kind::Phrasing, C},
    Rule{u"h5", u"h5", Kind::Phrasing, C},
    Rule{u"h6", u"h6", Kind::Phrasing, C},
    Rule{u"header", u"div", Kind::Flow, C},
    Rule{u"hgroup", u"div", Kind::Flow, C},
    Rule{u"hr", u"hr", Kind::Flow, Role::Rule},
    Rule{u"i", u"i", Kind::Inline, C},
    Rule{u"img", u"img", Kind::Inline, Role::Picture},
    Rule{u"ins", u"ins", Kind::Inline, C},
    Rule{u"kbd", u"kbd", Kind::Inline, C},
    Rule{u"label", u"span", Kind::Inline, C},
    Rule{u"legend", u"div", Kind::Flow, C},
    Rule{u"li", u"li", Kind::Flow, Role::ListItem},
    Rule{u"main", u"div", Kind::Flow, C},
    Rule{u"mark", u"mark", Kind::Inline, C},
    Rule{u"marquee", u"div", Kind::Flow, C},
    Rule{u"nav", u"div", Kind::Flow, C},
    Rule{u"nobr", u"span", Kind::Inline, C},
    Rule{u"ol", u"ol", Kind::List, C},
    Rule{u"p", u"p", Kind::Phrasing, C},
    Rule{u"pre", u"pre", Kind::Phrasing, C},
    Rule{u"q", u"q", Kind::Inline, C},
    Rule{u"rb", u"", Kind::Inline, Role::Skip},
    Rule{u"rp", u"rp", Kind::Hidden, Role::RubyParen},
    Rule{u"rt", u"rt", Kind::RubyText, Role::RubyPart},
    Rule{u"rtc", u"", Kind::Inline, Role::Skip},
    Rule{u"ruby", u"ruby", Kind::Ruby, C},
    Rule{u"s", u"s", Kind::Inline, C},
    Rule{u"samp", u"samp", Kind::Inline, C},
    Rule{u"section", u"div", Kind::Flow, C},
    Rule{u"small", u"small", Kind::Inline, C},
    Rule{u"span", u"span", Kind::Inline, C},
    Rule{u"strike", u"s", Kind::Inline, C},
    Rule{u"strong", u"strong", Kind::Inline, C},
    Rule{u"sub", u"sub", Kind::Inline, C},
    Rule{u"summary", u"div", Kind::Flow, C},
    Rule{u"sup", u"sup", Kind::Inline, C},
    Rule{u"table", u"table", Kind::Table, C},
    Rule{u"tbody", u"", Kind::Inline, Role::Skip},
    Rule{u"td", u"td", Kind::Flow, Role::TableCell},
    Rule{u"tfoot", u"", Kind::Inline, Role::Skip},
    Rule{u"th", u"th", Kind::Flow, Role::TableCell},
    Rule{u"thead", u"", Kind::Inline, Role::Skip},
    Rule{u"time", u"span", Kind::Inline, C},
    Rule{u"tr", u"tr", Kind::Row, Role::TableRow},
    Rule{u"tt", u"code", Kind::Inline, C},
    Rule{u"u", u"u", Kind::Inline, C},
    Rule{u"ul", u"ul", Kind::List, C},
    Rule{u"var", u"var", Kind::Inline, C},
    Rule{u"wbr", u"wbr", Kind::Inline, Role::Break},
};

const Rule* ruleOf(std::u16string_view s, const Markup& m)
{
    for (const Rule& rule : kRules) {
        if (spells(s, m.name, m.nameEnd, rule.in)) {
            return &rule;
        }
    }
    return nullptr;
}

constexpr Rule kSpan{u"span", u"span", Kind::Inline, C};
constexpr Rule kImplicitItem{u"", u"li", Kind::Flow, C};
constexpr Rule kImplicitDescription{u"", u"dd", Kind::Flow, C};
constexpr Rule kImplicitRow{u"", u"tr", Kind::Row, C};
constexpr Rule kImplicitCell{u"", u"td", Kind::Flow, C};
// List items, terms and descriptions outside their lists.
constexpr std::array kLoneItems = {
    Rule{u"li", u"div", Kind::Flow, C},
    Rule{u"dt", u"div", Kind::Flow, C},
    Rule{u"dd", u"div", Kind::Flow, C},
};

// Readers built on common XML libraries refuse documents nested much deeper than this; the
// chapter around an article adds a few levels of its own.
constexpr std::size_t kMaxDepth = 64;

char16_t lowerAscii(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
}

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

bool isAsciiAlnum(char16_t c)
{
    return isAsciiAlpha(c) || isDigit(c);
}

std::u16string lower(std::u16string_view s)
{
    std::u16string out(s);
    for (char16_t& c : out) {
        c = lowerAscii(c);
    }
    return out;
}

std::u16string_view trimmed(std::u16string_view s)
{
    while (!s.empty() && isHtmlSpace(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isHtmlSpace(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

// Whether the value is a whole number of at most `digits` digits, with a "-" in front when
// `negative` allows it.
bool isNumber(std::u16string_view value, std::size_t digits, bool negative = false)
{
    if (negative && value.starts_with(u'-')) {
        value.remove_prefix(1);
    }
    return !value.empty() && value.size() <= digits && std::all_of(value.begin(), value.end(), isDigit);
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

// What a browser reads a numeric reference to 0x80-0x9F as: the windows-1252 character of that
// byte, as pages written in that code page meant it.
constexpr std::array<char16_t, 32> kWindows1252 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// A numeric reference at `at` ("&#"): appends its character and returns its length, or 0 when no
// digit follows and the "&" is text.
std::size_t numericReference(std::u16string_view s, std::size_t at, std::u16string& out)
{
    std::size_t p = at + 2;
    const bool hex = p < s.size() && (s[p] == u'x' || s[p] == u'X');
    p += hex ? 1 : 0;
    const std::size_t digits = p;
    char32_t value = 0;
    for (; p < s.size(); ++p) {
        const char16_t c = lowerAscii(s[p]);
        int d = -1;
        if (isDigit(c)) {
            d = c - u'0';
        } else if (hex && c >= u'a' && c <= u'f') {
            d = c - u'a' + 10;
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
    } else if (value >= 0x80 && value <= 0x9F) {
        value = kWindows1252[value - 0x80];
    }
    appendCodePoint(out, value);
    return p - at;
}

bool isXmlSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

// Whether a character next to a run of letters and digits makes it part of a longer piece of
// Latin text ("3.5", "(10)", "in 10 days"), which stays sideways.
bool joinsRun(std::u16string_view text, std::size_t at, int step)
{
    const auto ascii = [](char16_t c) { return c > 0x20 && c < 0x7F; };
    const char16_t c = text[at];
    if (ascii(c)) {
        return true;
    }
    if (c == u' ') {
        const auto next = static_cast<std::ptrdiff_t>(at) + step;
        return next >= 0 && static_cast<std::size_t>(next) < text.size() &&
               isAsciiAlnum(text[static_cast<std::size_t>(next)]);
    }
    return false;
}

// Attribute values as a percent-escaped address: what an address may not hold written as
// "%XX" of its UTF-8 bytes.
std::u16string escapedAddress(std::u16string_view address)
{
    constexpr std::u16string_view kept = u"-._~:/?#[]@!$&'()*+,;=";
    const auto isHex = [](char16_t c) {
        c = lowerAscii(c);
        return isDigit(c) || (c >= u'a' && c <= u'f');
    };
    std::u16string out;
    for (std::size_t i = 0; i < address.size(); ++i) {
        const char16_t c = address[i];
        if (isAsciiAlnum(c) || kept.find(c) != none ||
            (c == u'%' && i + 2 < address.size() && isHex(address[i + 1]) && isHex(address[i + 2]))) {
            out += c;
            continue;
        }
        char32_t cp = c;
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < address.size() && address[i + 1] >= 0xDC00 &&
            address[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (address[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            cp = 0xFFFD;
        }
        unsigned char bytes[4];
        int n = 0;
        if (cp < 0x80) {
            bytes[n++] = static_cast<unsigned char>(cp);
        } else if (cp < 0x800) {
            bytes[n++] = static_cast<unsigned char>(0xC0 | (cp >> 6));
            bytes[n++] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            bytes[n++] = static_cast<unsigned char>(0xE0 | (cp >> 12));
            bytes[n++] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
            bytes[n++] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        } else {
            bytes[n++] = static_cast<unsigned char>(0xF0 | (cp >> 18));
            bytes[n++] = static_cast<unsigned char>(0x80 | ((cp >> 12) & 0x3F));
            bytes[n++] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
            bytes[n++] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        }
        constexpr std::u16string_view hexDigits = u"0123456789ABCDEF";
        for (int k = 0; k < n; ++k) {
            out += u'%';
            out += hexDigits[bytes[k] >> 4];
            out += hexDigits[bytes[k] & 0xF];
        }
    }
    return out;
}

struct Open
{
    const Rule* rule;
    bool silent; ///< opened inside a hidden element: neither its tags nor its content are written
    /// For a list of terms, what it holds last: nothing, a term or a description. Descriptions
    /// follow terms, and the list ends with a description.
    char16_t lastItem = 0;
};

class XhtmlWriter
{
public:
    XhtmlWriter(std::u16string_view s, const XhtmlOptions& options) : m_s(s), m_options(options)
    {
        m_stack.push_back(Open{&kRoot, false});
    }

    std::u16string run()
    {
        std::size_t pos = 0;
        while (pos < m_s.size()) {
            const std::size_t lt = m_s.find(u'<', pos);
            if (lt == none) {
                text(m_s.substr(pos));
                break;
            }
            text(m_s.substr(pos, lt - pos));
            readMarkup(m_s, lt, m_markup);
            switch (m_markup.kind) {
            case Markup::Kind::Text:
                text(u"<");
                pos = lt + 1;
                continue;
            case Markup::Kind::StartTag:
                startTag();
                break;
            case Markup::Kind::EndTag:
                endTag();
                break;
            case Markup::Kind::Comment:
            case Markup::Kind::Unfinished:
                break;
            }
            pos = m_markup.end;
        }
        while (m_stack.size() > 1) {
            pop();
        }
        return std::move(m_out);
    }

private:
    static constexpr Rule kRoot{u"", u"", Kind::Flow, C};

    const Open& top() const { return m_stack.back(); }
    bool silent() const { return top().silent || top().rule->kind == Kind::Hidden; }

    void text(std::u16string_view raw)
    {
        if (raw.empty()) {
            return;
        }
        const std::u16string read = readCharacterReferences(raw);
        if (std::all_of(read.begin(), read.end(), isXmlSpace)) {
            // Blanks between rows or items are allowed where text is not.
            if (!silent()) {
                appendXmlEscaped(m_out, read);
            }
            return;
        }
        ensurePhrasing();
        if (!silent()) {
            appendText(read);
        }
    }

    void appendText(std::u16string_view read)
    {
        if (!m_options.vertical || m_rubyOpen) {
            appendXmlEscaped(m_out, read);
            return;
        }
        std::size_t done = 0;
        for (std::size_t i = 0; i < read.size();) {
            if (!isAsciiAlnum(read[i])) {
                ++i;
                continue;
            }
            std::size_t j = i;
            while (j < read.size() && isAsciiAlnum(read[j])) {
                ++j;
            }
            const bool alone = (i == 0 || !joinsRun(read, i - 1, -1)) && (j == read.size() || !joinsRun(read, j, 1));
            if (j - i <= 2 && alone) {
                appendXmlEscaped(m_out, read.substr(done, i - done));
                m_out += u"<span class=\"tcy\">";
                appendXmlEscaped(m_out, read.substr(i, j - i));
                m_out += u"</span>";
                done = j;
            }
            i = j;
        }
        appendXmlEscaped(m_out, read.substr(done));
    }

    void push(const Rule& rule, std::u16string_view attributes = {})
    {
        const bool quiet = silent();
        if (Open& list = m_stack.back(); list.rule->kind == Kind::Terms && !quiet) {
            if (rule.out == u"dd" && list.lastItem == 0) {
                m_out += u"<dt></dt>";
            }
            list.lastItem = rule.out == u"dt" ? u't' : u'd';
        }
        m_stack.push_back(Open{&rule, quiet});
        if (quiet || rule.kind == Kind::Hidden) {
            return;
        }
        if (rule.kind == Kind::Ruby) {
            m_rubyOpen = true;
            m_rubyTag = m_out.size();
            m_rubyTextEnd = none;
        }
        m_out += u'<';
        m_out += rule.out;
        m_out += attributes;
        m_out += u'>';
        if (rule.kind == Kind::Ruby) {
            m_rubyTagLength = m_out.size() - m_rubyTag;
        }
    }

    void pop()
    {
        const Open open = m_stack.back();
        m_stack.pop_back();
        if (open.silent || open.rule->kind == Kind::Hidden) {
            return;
        }
        if (open.rule->kind == Kind::Ruby) {
            closeRuby();
            return;
        }
        if (open.rule->kind == Kind::Terms && open.lastItem == u't') {
            m_out += u"<dd></dd>";
        }
        m_out += u"</";
        m_out += open.rule->out;
        m_out += u'>';
        if (open.rule->kind == Kind::RubyText) {
            m_rubyTextEnd = m_out.size();
        }
    }

    // A ruby needs its reading: without one its tags go; text after the last reading is moved
    // out of it.
    void closeRuby()
    {
        m_rubyOpen = false;
        if (m_rubyTextEnd == none) {
            m_out.erase(m_rubyTag, m_rubyTagLength);
        } else if (m_rubyTextEnd < m_out.size()) {
            m_out.insert(m_rubyTextEnd, u"</ruby>");
        } else {
            m_out += u"</ruby>";
        }
    }

    void popTo(std::size_t size)
    {
        while (m_stack.size() > size) {
            pop();
        }
    }

    // Where text and text-level elements may go: inside a list, a table or a row a place is
    // made for them.
    void ensurePhrasing()
    {
        switch (top().rule->kind) {
        case Kind::List:
            push(kImplicitItem);
            break;
        case Kind::Terms:
            push(kImplicitDescription);
            break;
        case Kind::Table:
            push(kImplicitRow);
            push(kImplicitCell);
            break;
        case Kind::Row:
            push(kImplicitCell);
            break;
        default:
            break;
        }
    }

    // Where a block may go: text-level elements and blocks of text end first.
    void ensureFlow()
    {
        while (m_stack.size() > 1) {
            const Kind kind = top().rule->kind;
            if (kind != Kind::Phrasing && kind != Kind::Inline && kind != Kind::Ruby && kind != Kind::RubyText &&
                kind != Kind::Hidden) {
                break;
            }
            pop();
        }
        ensurePhrasing();
    }

    // The nearest open element of one of the kinds, looking no further than a table when
    // `withinTable`; its place in the stack, or 0.
    std::size_t nearest(std::initializer_list<Kind> kinds, bool withinTable) const
    {
        for (std::size_t at = m_stack.size() - 1; at > 0; --at) {
            const Rule& rule = *m_stack[at].rule;
            if (std::find(kinds.begin(), kinds.end(), rule.kind) != kinds.end()) {
                return at;
            }
            if (withinTable && (rule.kind == Kind::Table || rule.kind == Kind::Row || rule.role == Role::TableCell)) {
                return 0;
            }
        }
        return 0;
    }

    std::optional<std::u16string> attribute(std::u16string_view name) const
    {
        for (const MarkupAttribute& a : m_markup.attributes) {
            if (spells(m_s, a.name, a.nameEnd, name)) {
                if (!a.hasValue) {
                    return std::u16string();
                }
                return readCharacterReferences(m_s.substr(a.value, a.valueEnd - a.value), true);
            }
        }
        return std::nullopt;
    }

    void addAttribute(std::u16string& out, std::u16string_view name, std::u16string_view value) const
    {
        out += u' ';
        out += name;
        out += u"=\"";
        appendXmlEscaped(out, value, true);
        out += u'"';
    }

    // The attributes the rules accept on the element the tag becomes.
    std::u16string attributes(const Rule& rule) const
    {
        std::u16string out;
        std::u16string classes(rule.addedClass);
        if (const auto given = attribute(u"class")) {
            const std::u16string_view value = trimmed(*given);
            if (!value.empty()) {
                classes += (classes.empty() ? u"" : u" ") + std::u16string(value);
            }
        }
        if (const auto align = attribute(u"align"); align && rule.kind != Kind::Inline) {
            const std::u16string side = lower(trimmed(*align));
            if (side == u"center" || side == u"right") {
                classes += (classes.empty() ? u"" : u" ") + side;
            }
        }
        if (!classes.empty()) {
            addAttribute(out, u"class", classes);
        }
        if (const auto title = attribute(u"title")) {
            addAttribute(out, u"title", *title);
        }
        if (const auto dir = attribute(u"dir")) {
            const std::u16string way = lower(trimmed(*dir));
            if (way == u"ltr" || way == u"rtl" || way == u"auto") {
                addAttribute(out, u"dir", way);
            }
        }
        if (rule.out == u"a") {
            if (const auto href = attribute(u"href")) {
                const std::u16string address(trimmed(*href));
                const std::u16string scheme = lower(address.substr(0, address.find(u':')));
                // Links within the site lead nowhere in the book; only the web's own addresses stay.
                if ((scheme == u"http" || scheme == u"https") && address.find(u':') != none) {
                    addAttribute(out, u"href", escapedAddress(address));
                }
            }
        } else if (rule.role == Role::TableCell) {
            if (const auto span = attribute(u"colspan");
                span && isNumber(trimmed(*span), 3) && trimmed(*span) != u"0") {
                addAttribute(out, u"colspan", trimmed(*span));
            }
            if (const auto span = attribute(u"rowspan"); span && isNumber(trimmed(*span), 4)) {
                addAttribute(out, u"rowspan", trimmed(*span));
            }
            if (const auto scope = attribute(u"scope"); scope && rule.out == u"th") {
                const std::u16string what = lower(trimmed(*scope));
                if (what == u"row" || what == u"col" || what == u"rowgroup" || what == u"colgroup") {
                    addAttribute(out, u"scope", what);
                }
            }
        } else if (rule.out == u"ol") {
            if (const auto start = attribute(u"start"); start && isNumber(trimmed(*start), 9, true)) {
                addAttribute(out, u"start", trimmed(*start));
            }
            if (attribute(u"reversed")) {
                addAttribute(out, u"reversed", u"reversed");
            }
            if (const auto type = attribute(u"type")) {
                const std::u16string_view kind = trimmed(*type);
                if (kind == u"1" || kind == u"a" || kind == u"A" || kind == u"i" || kind == u"I") {
                    addAttribute(out, u"type", kind);
                }
            }
        } else if (rule.out == u"li" && top().rule->out == u"ol") {
            if (const auto value = attribute(u"value"); value && isNumber(trimmed(*value), 9, true)) {
                addAttribute(out, u"value", trimmed(*value));
            }
        }
        return out;
    }

    void picture()
    {
        const auto src = attribute(u"src");
        if (!src || !m_options.picture) {
            return;
        }
        const auto name = m_options.picture(*src);
        if (!name) {
            return;
        }
        ensurePhrasing();
        if (silent()) {
            return;
        }
        std::u16string tag = u"<img";
        addAttribute(tag, u"src", *name);
        addAttribute(tag, u"alt", attribute(u"alt").value_or(u""));
        for (const std::u16string_view size : {u"width", u"height"}) {
            if (const auto value = attribute(size); value && isNumber(trimmed(*value), 5)) {
                addAttribute(tag, size, trimmed(*value));
            }
        }
        if (const auto title = attribute(u"title")) {
            addAttribute(tag, u"title", *title);
        }
        m_out += tag;
        m_out += u"/>";
    }

    void startTag()
    {
        const Rule* rule = ruleOf(m_s, m_markup);
        if (!rule) {
            return;
        }
        switch (rule->role) {
        case Role::Skip:
            return;
        case Role::Break:
            ensurePhrasing();
            if (!silent()) {
                m_out += u'<';
                m_out += rule->out;
                m_out += u"/>";
            }
            return;
        case Role::Picture:
            return picture();
        case Role::Rule:
            ensureFlow();
            if (!silent()) {
                m_out += u"<hr/>";
            }
            return;
        case Role::ListItem:
            return item(*rule, Kind::List);
        case Role::Term:
        case Role::Description:
            return item(*rule, Kind::Terms);
        case Role::TableRow:
            if (const std::size_t table = nearest({Kind::Table}, false); table > 0) {
                popTo(table + 1);
                push(*rule);
            }
            return;
        case Role::TableCell:
            if (const std::size_t row = nearest({Kind::Row, Kind::Table}, false); row > 0) {
                popTo(row + 1);
                if (top().rule->kind == Kind::Table) {
                    push(kImplicitRow);
                }
                push(*rule, attributes(*rule));
            }
            return;
        case Role::RubyPart:
        case Role::RubyParen:
            if (m_rubyOpen) {
                popTo(nearest({Kind::Ruby}, false) + 1);
                push(*rule);
            } else if (rule->role == Role::RubyPart) {
                container(kSpan);
            }
            return;
        case Role::Container:
            if (rule->kind == Kind::Ruby && m_rubyOpen) {
                return; // a ruby inside a ruby: its own reading becomes part of the outer one
            }
            if (rule->out == u"a") {
                // A link inside a link ends the first, as a browser reads it.
                for (std::size_t at = m_stack.size() - 1; at > 0; --at) {
                    if (m_stack[at].rule->out == u"a") {
                        popTo(at);
                        break;
                    }
                }
            }
            return container(*rule);
        }
    }

    void container(const Rule& rule)
    {
        if (m_stack.size() > kMaxDepth) {
            return; // deeper than a reader takes: the tag goes, its content stays
        }
        if (rule.kind == Kind::Inline || rule.kind == Kind::Ruby) {
            ensurePhrasing();
        } else {
            ensureFlow();
        }
        push(rule, attributes(rule));
    }

    // A list item, term or description: in its list, else a plain division.
    void item(const Rule& rule, Kind list)
    {
        if (const std::size_t at = nearest({list}, true); at > 0) {
            popTo(at + 1);
            push(rule, attributes(rule));
        } else {
            for (const Rule& lone : kLoneItems) {
                if (lone.in == rule.in) {
                    container(lone);
                }
            }
        }
    }

    void endTag()
    {
        const Rule* rule = ruleOf(m_s, m_markup);
        if (!rule || rule->role == Role::Skip || rule->role == Role::Break || rule->role == Role::Picture ||
            rule->role == Role::Rule) {
            return;
        }
        const bool tablePart = rule->kind == Kind::Table || rule->kind == Kind::Row || rule->role == Role::TableCell;
        for (std::size_t at = m_stack.size() - 1; at > 0; --at) {
            const Rule& open = *m_stack[at].rule;
            if (open.in == rule->in) {
                popTo(at);
                return;
            }
            // An end tag does not reach out of a table, or out of the cell it stands in.
            if (!tablePart && (open.kind == Kind::Table || open.kind == Kind::Row || open.role == Role::TableCell)) {
                return;
            }
        }
    }

    std::u16string_view m_s;
    const XhtmlOptions& m_options;
    std::u16string m_out;
    std::vector<Open> m_stack;
    Markup m_markup;
    bool m_rubyOpen = false;
    std::size_t m_rubyTag = 0;
    std::size_t m_rubyTagLength = 0;
    std::size_t m_rubyTextEnd = none;
};

} // namespace

std::u16string readCharacterReferences(std::u16string_view text, bool attribute)
{
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] != u'&') {
            out += text[i++];
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == u'#') {
            const std::size_t used = numericReference(text, i, out);
            if (used > 0) {
                i += used;
                continue;
            }
        } else {
            const NamedReference named = matchNamedReference(text.substr(i + 1));
            const std::size_t after = i + 1 + named.length;
            // In an attribute value an old name without its ";" is part of what follows it.
            const bool partOfValue = attribute && !named.endsWithSemicolon && after < text.size() &&
                                     (isAsciiAlnum(text[after]) || text[after] == u'=');
            if (named.length > 0 && !partOfValue) {
                out += named.text;
                i = after;
                continue;
            }
        }
        out += text[i++];
    }
    return out;
}

void appendXmlEscaped(std::u16string& out, std::u16string_view text, bool attribute)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        switch (c) {
        case u'&':
            out += u"&amp;";
            continue;
        case u'<':
            out += u"&lt;";
            continue;
        case u'>':
            out += u"&gt;";
            continue;
        case u'"':
            out += attribute ? u"&quot;" : u"\"";
            continue;
        case u'\r':
            if (i + 1 < text.size() && text[i + 1] == u'\n') {
                continue;
            }
            out += attribute ? u' ' : u'\n';
            continue;
        case u'\n':
        case u'\t':
        case u'\f':
            out += attribute || c == u'\f' ? u' ' : c;
            continue;
        default:
            break;
        }
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
            continue; // XML holds no control character
        }
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            out += c;
            out += text[++i];
        } else if ((c >= 0xD800 && c <= 0xDFFF) || c == 0xFFFE || c == 0xFFFF) {
            out += u'\uFFFD';
        } else {
            out += c;
        }
    }
}

std::u16string xhtmlFromMarkup(std::u16string_view markup, const XhtmlOptions& options)
{
    return XhtmlWriter(markup, options).run();
}

std::u16string xhtmlText(std::u16string_view text, bool vertical)
{
    // Text holds no markup: every "<" is text.
    std::u16string escaped;
    escaped.reserve(text.size());
    for (const char16_t c : text) {
        if (c == u'<') {
            escaped += u"&lt;";
        } else {
            escaped += c;
        }
    }
    XhtmlOptions options;
    options.vertical = vertical;
    return xhtmlFromMarkup(escaped, options);
}

} // namespace vz::extract
