#include "tag_filters.h"

#include <algorithm>
#include <cstddef>

#include "extract/next_occurrence.h"
#include "platform/cp932.h"
#include "run/text.h"

namespace vz::extract {

namespace {

constexpr std::size_t none = NextOccurrence::none;

// Codes 0 to 32: blanks, line ends and other control characters.
bool isInvisible(char16_t c)
{
    const int code = platform::cp932Code(c);
    return code >= 0 && code <= 32;
}

// The loop "find the first opening marker, cut through its closing marker, search again from
// the start" done in one pass. The text is kept as three pieces: `out` (finished, holding no
// opening marker but in replacements), `front` (text put back ahead of the unread original: the
// last few finished characters before a cut, which may begin a marker together with what follows)
// and the unread rest of the original. The original is lower-cased once and searched
// through remembered positions, so nothing is searched twice.
std::u16string cutStretches(std::u16string_view text, std::u16string_view opening, std::u16string_view closing,
                            std::u16string_view replacement)
{
    if (opening.empty() || closing.empty()) {
        return std::u16string(text);
    }
    const std::u16string low = text::LCase(text);
    NextOccurrence nextOpening(low, opening), nextClosing(low, closing), nextGt(low, u">");
    std::u16string out;
    out.reserve(text.size());
    std::u16string front;
    std::size_t read = 0;
    std::size_t floor = 0; // out below this ends with a replacement and is finished

    auto charAt = [&](std::size_t i, char16_t& c) {
        if (i < front.size()) {
            c = front[i];
            return true;
        }
        const std::size_t at = read + (i - front.size());
        if (at >= text.size()) {
            return false;
        }
        c = text[at];
        return true;
    };
    auto matchesAt = [&](std::size_t i, std::u16string_view pattern) {
        for (std::size_t k = 0; k < pattern.size(); ++k) {
            char16_t c = 0;
            if (!charAt(i + k, c) || text::LCaseChar(c) != pattern[k]) {
                return false;
            }
        }
        return true;
    };
    // First occurrence in the unfinished text (front, then the unread original).
    auto find = [&](std::u16string_view pattern, NextOccurrence& inOriginal) {
        for (std::size_t i = 0; i < front.size(); ++i) {
            if (matchesAt(i, pattern)) {
                return i;
            }
        }
        const std::size_t at = inOriginal.from(read);
        return at == none ? none : front.size() + (at - read);
    };
    auto take = [&](std::size_t count, bool keep) {
        const std::size_t fromFront = std::min(count, front.size());
        if (keep) {
            out.append(front, 0, fromFront);
            out.append(text.substr(read, count - fromFront));
        }
        front.erase(0, fromFront);
        read += count - fromFront;
    };

    for (std::size_t cuts = 0; cuts < text.size(); ++cuts) {
        const std::size_t start = find(opening, nextOpening);
        if (start == none) {
            break;
        }
        take(start, true);
        std::size_t end = find(closing, nextClosing);
        if (end != none) {
            end += closing.size();
        } else {
            end = find(u">", nextGt);
            if (end == none) {
                break; // neither marker closes it: the rest stays as it is
            }
            end += 1;
        }
        take(end, false);
        if (!replacement.empty()) {
            // Searched again, a replacement that (with what stood before it) spells the opening
            // marker would be found forever, the text growing each time: it is finished as it is.
            out.append(replacement);
            floor = out.size();
            continue;
        }
        const std::size_t back = std::min(opening.size() - 1, out.size() - floor);
        front.insert(0, out, out.size() - back, back);
        out.resize(out.size() - back);
    }
    out += front;
    out.append(text.substr(read));
    return out;
}

// Whether a stretch between two "&nbsp;" holds nothing but blanks, line ends and whole tags.
bool onlyTagsAndBlanks(std::u16string_view stretch)
{
    std::size_t i = 0;
    auto skipInvisible = [&] {
        while (i < stretch.size() && isInvisible(stretch[i])) {
            ++i;
        }
    };
    for (skipInvisible(); i < stretch.size(); skipInvisible()) {
        if (stretch[i] != u'<') {
            return false;
        }
        const auto close = stretch.find(u'>', i);
        if (close == none) {
            return false; // an unclosed "<" stays, and with it the stretch
        }
        i = close + 1;
    }
    return true;
}

} // namespace

std::u16string RemoveTags(std::u16string_view text, std::u16string_view opening, std::u16string_view closing)
{
    return cutStretches(text, opening, closing, {});
}

std::u16string ReplaceTags(std::u16string_view text, std::u16string_view opening, std::u16string_view closing,
                           std::u16string_view replacement)
{
    return cutStretches(text, opening, closing, replacement);
}

std::u16string CollapseBreaks(std::u16string_view text)
{
    // Removing the first four characters of a break never joins text into a new "<br" at or
    // after the next one, so each pair of neighbouring breaks of the original is judged once.
    const std::u16string low = text::LCase(text);
    std::u16string out;
    out.reserve(text.size());
    std::size_t copied = 0;
    for (std::size_t a = low.find(u"<br"); a != none;) {
        const std::size_t b = low.find(u"<br", a + 1);
        if (b == none) {
            break;
        }
        // A break that begins inside the first four characters of the one before ("<br<br>")
        // counts as content: removing four characters there would cut into it.
        if (b >= a + 4 && std::all_of(text.begin() + static_cast<std::ptrdiff_t>(a + 4),
                                      text.begin() + static_cast<std::ptrdiff_t>(b), isInvisible)) {
            out.append(text.substr(copied, a - copied));
            copied = a + 4;
        }
        a = b;
    }
    out.append(text.substr(copied));
    return out;
}

std::u16string CollapseNbsp(std::u16string_view text)
{
    constexpr std::u16string_view nbsp = u"&nbsp;";
    std::u16string out;
    out.reserve(text.size());
    std::size_t copied = 0;
    std::size_t a = text.find(nbsp);
    while (a != none) {
        const std::size_t b = text.find(nbsp, a + 1);
        if (b == none) {
            break;
        }
        if (onlyTagsAndBlanks(text.substr(a + nbsp.size(), b - a - nbsp.size()))) {
            // Keep the first "&" and everything from the second "nbsp;" on: one "&nbsp;" stays.
            out.append(text.substr(copied, a + 1 - copied));
            copied = b + 1;
            a = text.find(nbsp, b + 1);
        } else {
            a = b;
        }
    }
    out.append(text.substr(copied));
    return out;
}

std::u16string HeadlineBlock(const LineFitting& fitting, std::u16string_view headline)
{
    return u"<p><h4>" + AddSpc(fitting, RemoveTags(headline, u"<", u">")) + u"</h4></p>";
}

std::u16string PickHeadline(const LineFitting& fitting, std::u16string_view article)
{
    std::u16string headline;
    const auto blockEnd = article.find(u"</h4></p>");
    if (blockEnd != none && article.find(u"<p><h4>") != none) {
        headline = RemoveTags(article.substr(0, blockEnd), u"<", u">");
    }
    if (headline.empty()) {
        headline = text::Left(RemoveTags(RemoveTags(article, u"&", u"nbsp"), u"<", u">"), 30);
    }
    return AddSpc(fitting, headline);
}

} // namespace vz::extract
