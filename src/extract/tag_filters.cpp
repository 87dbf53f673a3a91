#include "tag_filters.h"

#include <algorithm>
#include <cstddef>

#include "extract/in_place_writer.h"
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
// the start" done in one pass over the text's own storage. The text is kept as three pieces: the
// output (finished, holding no opening marker but in replacements), `front` (text put back ahead
// of the unread original: the last few finished characters before a cut, which may begin a
// marker together with what follows) and the unread rest of the original. The original is
// searched ignoring case through remembered positions, so nothing is searched twice; the output
// is only ever written where the original has been read.
void cutStretches(std::u16string& text, std::u16string_view opening, std::u16string_view closing,
                  std::u16string_view replacement)
{
    if (opening.empty() || closing.empty()) {
        return;
    }
    InPlaceWriter out(text);
    // The whole original, unchanged from the reading position on, which is all that is searched.
    const std::u16string_view original = out.unread();
    NextOccurrence nextOpening(original, opening, true), nextClosing(original, closing, true),
        nextGt(original, u">", true);
    std::u16string front;
    std::size_t floor = 0; // output below this ends with a replacement and is finished

    auto charAt = [&](std::size_t i, char16_t& c) {
        if (i < front.size()) {
            c = front[i];
            return true;
        }
        const std::u16string_view unread = out.unread();
        if (i - front.size() >= unread.size()) {
            return false;
        }
        c = unread[i - front.size()];
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
        const std::size_t read = out.readPosition();
        const std::size_t at = inOriginal.from(read);
        return at == none ? none : front.size() + (at - read);
    };
    auto take = [&](std::size_t count, bool keep) {
        const std::size_t fromFront = std::min(count, front.size());
        if (keep) {
            out.put(std::u16string_view(front).substr(0, fromFront));
            out.keep(count - fromFront);
        } else {
            out.skip(count - fromFront);
        }
        front.erase(0, fromFront);
    };

    for (std::size_t cuts = 0; cuts < original.size(); ++cuts) {
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
            out.put(replacement);
            floor = out.size();
            continue;
        }
        const std::size_t back = std::min(opening.size() - 1, out.size() - floor);
        front.insert(0, out.takeBack(back));
    }
    out.put(front);
    out.finish();
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
    std::u16string out(text);
    removeTagsInPlace(out, opening, closing);
    return out;
}

void removeTagsInPlace(std::u16string& text, std::u16string_view opening, std::u16string_view closing)
{
    cutStretches(text, opening, closing, {});
}

std::u16string ReplaceTags(std::u16string_view text, std::u16string_view opening, std::u16string_view closing,
                           std::u16string_view replacement)
{
    std::u16string out(text);
    replaceTagsInPlace(out, opening, closing, replacement);
    return out;
}

void replaceTagsInPlace(std::u16string& text, std::u16string_view opening, std::u16string_view closing,
                        std::u16string_view replacement)
{
    cutStretches(text, opening, closing, replacement);
}

std::u16string CollapseBreaks(std::u16string_view text)
{
    std::u16string out(text);
    collapseBreaksInPlace(out);
    return out;
}

void collapseBreaksInPlace(std::u16string& text)
{
    // Removing the first four characters of a break never joins text into a new "<br" at or
    // after the next one, so each pair of neighbouring breaks of the original is judged once.
    InPlaceWriter out(text);
    const std::u16string_view original = out.unread();
    for (std::size_t a = findLowered(original, u"<br"); a != none;) {
        const std::size_t b = findLowered(original, u"<br", a + 1);
        if (b == none) {
            break;
        }
        // A break that begins inside the first four characters of the one before ("<br<br>")
        // counts as content: removing four characters there would cut into it.
        if (b >= a + 4 && std::all_of(original.begin() + static_cast<std::ptrdiff_t>(a + 4),
                                      original.begin() + static_cast<std::ptrdiff_t>(b), isInvisible)) {
            out.keep(a - out.readPosition());
            out.skip(4);
        }
        a = b;
    }
    out.finish();
}

std::u16string CollapseNbsp(std::u16string_view text)
{
    std::u16string out(text);
    collapseNbspInPlace(out);
    return out;
}

void collapseNbspInPlace(std::u16string& text)
{
    constexpr std::u16string_view nbsp = u"&nbsp;";
    InPlaceWriter out(text);
    const std::u16string_view original = out.unread();
    std::size_t a = original.find(nbsp);
    while (a != none) {
        const std::size_t b = original.find(nbsp, a + 1);
        if (b == none) {
            break;
        }
        if (onlyTagsAndBlanks(original.substr(a + nbsp.size(), b - a - nbsp.size()))) {
            // Keep the first "&" and everything from the second "nbsp;" on: one "&nbsp;" stays.
            out.keep(a + 1 - out.readPosition());
            out.skip(b + 1 - out.readPosition());
            a = original.find(nbsp, b + 1);
        } else {
            a = b;
        }
    }
    out.finish();
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
        // One copy of a possibly long article, cleaned in place.
        std::u16string plain(article);
        removeTagsInPlace(plain, u"&", u"nbsp");
        removeTagsInPlace(plain, u"<", u">");
        headline = text::Left(plain, 30);
    }
    return AddSpc(fitting, headline);
}

} // namespace vz::extract
