#pragma once

#include <algorithm>
#include <string>
#include <string_view>

#include <gumbo.h>

#include "platform/cp932.h"
#include "run/text.h"

/// The output checked by a parser that follows the HTML5 rules (gumbo) rather than by the
/// program's own reading: what a browser would build from an output page must hold only what
/// the program allows.
namespace vz::test {

struct OracleRules
{
    bool markup = true; ///< false: no element at all (plain text)
    bool tables = true;
    bool pictures = true;
};

namespace oracle_detail {

inline bool oneOf(std::string_view word, std::string_view spaceSeparated)
{
    for (std::size_t at = 0; at < spaceSeparated.size();) {
        const std::size_t end = std::min(spaceSeparated.find(' ', at), spaceSeparated.size());
        if (spaceSeparated.substr(at, end - at) == word) {
            return true;
        }
        at = end + 1;
    }
    return false;
}

inline std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; });
    return s;
}

// An href as the browser's address parser reads the decoded value.
inline bool linkAllowed(std::string v)
{
    std::erase_if(v, [](char c) { return c == '\t' || c == '\n' || c == '\r'; });
    std::replace(v.begin(), v.end(), '\\', '/');
    while (!v.empty() && static_cast<unsigned char>(v.front()) <= 0x20) {
        v.erase(0, 1);
    }
    const std::size_t colon = v.find(':');
    if (colon != std::string::npos && colon < v.find_first_of("/?#")) {
        const std::string scheme = lower(v.substr(0, colon));
        return scheme == "http" || scheme == "https";
    }
    if (v.rfind("//", 0) == 0) {
        return false;
    }
    const std::string path = lower(v.substr(0, v.find_first_of("?#")));
    for (std::size_t at = 0; at <= path.size();) {
        const std::size_t end = std::min(path.find('/', at), path.size());
        if (path.substr(at, end - at) == "pix") {
            return false;
        }
        at = end + 1;
    }
    return true;
}

inline bool pictureAllowed(const std::string& v)
{
    std::size_t i = 4;
    while (i < v.size() && v[i] >= '0' && v[i] <= '9') {
        ++i;
    }
    return v.rfind("pix/", 0) == 0 && i >= 9 &&
           v.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789._-", i) ==
               std::string::npos;
}

inline bool styleAllowed(const std::string& v)
{
    const std::string l = lower(v);
    if (l.find_first_of("\\@") != std::string::npos) {
        return false;
    }
    for (std::size_t at = l.find('('); at != std::string::npos; at = l.find('(', at + 1)) {
        std::size_t start = at;
        while (start > 0 && ((l[start - 1] >= 'a' && l[start - 1] <= 'z') || l[start - 1] == '-')) {
            --start;
        }
        if (!oneOf(l.substr(start, at - start), "rgb rgba hsl hsla calc")) {
            return false;
        }
    }
    return true;
}

inline std::string check(const GumboNode* node, const OracleRules& rules, bool root)
{
    if (node->type == GUMBO_NODE_COMMENT && (!rules.markup || node->v.text.text[0] == '[')) {
        return "a comment that is not plain";
    }
    if (node->type == GUMBO_NODE_CDATA) {
        return "a CDATA section";
    }
    if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_TEMPLATE && node->type != GUMBO_NODE_DOCUMENT) {
        return {};
    }
    const GumboVector& children =
        node->type == GUMBO_NODE_DOCUMENT ? node->v.document.children : node->v.element.children;
    if (node->type != GUMBO_NODE_DOCUMENT && !root) {
        const GumboElement& e = node->v.element;
        const std::string name = e.tag == GUMBO_TAG_UNKNOWN ? "(unknown)" : gumbo_normalized_tagname(e.tag);
        const bool allowed =
            node->type == GUMBO_NODE_ELEMENT && e.tag_namespace == GUMBO_NAMESPACE_HTML && rules.markup &&
            (oneOf(name, "a abbr acronym address article aside b bdi bdo big blockquote br center cite code dd "
                         "del dfn div dl dt em figcaption figure font footer h1 h2 h3 h4 h5 h6 header hgroup hr "
                         "i ins kbd li main mark nav nobr ol p pre q rb rp rt rtc ruby s samp section small span "
                         "strike strong sub sup time tt u ul var wbr basefont blink details fieldset label legend "
                         "marquee summary") ||
             (rules.tables && oneOf(name, "caption col colgroup table tbody td tfoot th thead tr")) ||
             (rules.pictures && name == "img"));
        if (!allowed) {
            return "the element " + name;
        }
        for (unsigned i = 0; i < e.attributes.length; ++i) {
            const auto* a = static_cast<const GumboAttribute*>(e.attributes.data[i]);
            const std::string attribute = a->name;
            const std::string value = a->value;
            const bool ok = attribute == "href"  ? name == "a" && linkAllowed(value)
                            : attribute == "src" ? name == "img" && pictureAllowed(value)
                            : attribute == "style"
                                ? styleAllowed(value)
                                : oneOf(attribute, "abbr align alt axis bgcolor border cellpadding cellspacing "
                                                   "char charoff class clear color colspan compact datetime "
                                                   "dir face frame headers height hspace id itemprop "
                                                   "itemscope itemtype lang name noshade nowrap reversed role "
                                                   "rowspan rules scope size span start summary title type "
                                                   "valign value vspace width xml:lang");
            if (!ok) {
                return "the attribute " + attribute + "=\"" + value + "\" on " + name;
            }
        }
        if (name == "img" && !std::any_of(e.attributes.data, e.attributes.data + e.attributes.length, [](void* a) {
                return std::string_view(static_cast<const GumboAttribute*>(a)->name) == "src";
            })) {
            return "a picture without a kept source";
        }
    }
    for (unsigned i = 0; i < children.length; ++i) {
        const std::string found = check(static_cast<const GumboNode*>(children.data[i]), rules, false);
        if (!found.empty()) {
            return found;
        }
    }
    return {};
}

} // namespace oracle_detail

/// What the fragment, written to a page in CP932 and read back as a browser reads it in a page's
/// body, holds that the rules do not allow; empty when nothing.
inline std::string forbiddenMarkup(std::u16string_view fragment, const OracleRules& rules)
{
    const std::string utf8 = text::toUtf8(platform::decodeCp932(platform::encodeCp932(fragment).bytes));
    GumboOptions options = kGumboDefaultOptions;
    options.fragment_context = GUMBO_TAG_BODY;
    options.fragment_namespace = GUMBO_NAMESPACE_HTML;
    GumboOutput* output = gumbo_parse_with_options(&options, utf8.data(), utf8.size());
    std::string found = oracle_detail::check(output->root, rules, true);
    gumbo_destroy_output(&options, output);
    return found;
}

} // namespace vz::test
