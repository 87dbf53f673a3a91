#include "index_cutting.h"

#include <algorithm>
#include <cstddef>

#include "extract/marker_search.h"
#include "extract/next_occurrence.h"
#include "run/string_helpers.h"
#include "run/text.h"

namespace vz::extract {

using text::InStr;

namespace {

constexpr std::size_t none = NextOccurrence::none;

std::u16string withoutLeadingQuote(std::u16string s)
{
    if (!s.empty() && s.front() == u'"') {
        s.erase(0, 1);
    }
    return s;
}

// Quotes, commas and apostrophes that the cut positions leave around an address.
std::u16string cleanUp(std::u16string s)
{
    for (const char16_t c : {u'"', u',', u'\''}) {
        if (!s.empty() && s.back() == c) {
            s.pop_back();
        }
        if (!s.empty() && s.front() == c) {
            s.erase(0, 1);
        }
    }
    return s;
}

// Length of the server root of a base ending in "/": "http://host/" or, without a scheme, the
// first folder.
std::size_t rootLength(const std::u16string& base)
{
    const auto scheme = base.find(u"://");
    const auto slash = base.find(u'/', scheme == std::u16string::npos ? 0 : scheme + 3);
    return slash == std::u16string::npos ? base.size() : slash + 1;
}

} // namespace

std::u16string CutHeader(run::Reporter& reporter, std::u16string& page, std::u16string_view FilterIndex1,
                         std::u16string_view FilterIndex2)
{
    const std::u16string start(FilterIndex1);
    const std::u16string end(FilterIndex2);
    const MarkerPair found = findMarkerPair(page, start, end);
    if (found.miss == MarkerMiss::Start) {
        reporter.DispErr(u"インデックスを切り出すための文字列1'" + start + u"'が見つかりません。", u"", u"",
                         u"CutHeader");
        return {};
    }
    if (found.miss == MarkerMiss::End) {
        reporter.DispErr(u"インデックスを切り出すための文字列2'" + end + u"'が文字列1'" + start +
                             u"'の後に見つかりません。",
                         u"", u"", u"CutHeader");
        return {};
    }
    // The first character of the start marker is dropped and the rest of it stays; the cut ends
    // with the first character of the end marker. Stored site lists were tuned against this.
    page = text::Right(page, text::Len(page) - found.start);
    page = text::Left(page, InStr(page, end));
    return page + u"\r\n";
}

std::int32_t CutMsg(run::Reporter& reporter, std::u16string& linkPart, std::vector<std::u16string>& LinkList,
                    std::vector<UnlistedAnchor>* unlisted)
{
    LinkList.assign(static_cast<std::size_t>(run::CountMatches(linkPart, u"href")) + 1, std::u16string());
    if (linkPart.empty()) {
        reporter.DispErr(u"Filter str for Indexに誤りがあります。アドレスが切り出せません。 ", u"", u"", u"CutMsg");
        return 0;
    }
    // The remaining link part is linkPart from `off` on; every position below is 0-based in the
    // whole text, and the one lower-cased copy serves all searches.
    const std::u16string low = text::LCase(linkPart);
    const std::u16string_view part = linkPart;
    const std::size_t n = part.size();
    NextOccurrence anchor(low, u"a href"), close(low, u">"), html(low, u".html"), htm(low, u".htm"),
        aspQuery(low, u".asp?"), asp(low, u".asp"), shtml(low, u".shtml"), php(low, u".php"),
        htmlFromStart(low, u".html"), htmFromStart(low, u"htm");

    std::int32_t i = 0;
    auto store = [&](std::u16string entry) {
        if (static_cast<std::size_t>(i) >= LinkList.size()) {
            LinkList.resize(static_cast<std::size_t>(i) + 1);
        }
        LinkList[static_cast<std::size_t>(i)] = cleanUp(std::move(entry));
        ++i;
    };
    // An anchor that gets no entry, for whoever asked to hear of them.
    auto skipped = [&](std::size_t at, std::size_t q) {
        if (unlisted) {
            const std::size_t end = q == none ? n : q + 1;
            unlisted->push_back(
                UnlistedAnchor{i, std::u16string(part.substr(at, std::min<std::size_t>(end - at, 300)))});
        }
    };
    // An address copied up to just before the anchor's ">". When ">" stands too close to the anchor
    // or is missing, the anchor holds no address and uses no entry.
    auto storeBeforeClose = [&](std::size_t a, std::size_t from, std::size_t q, std::size_t skip) {
        if (q == none || q < from + skip) {
            skipped(a, q);
            return;
        }
        store(withoutLeadingQuote(text::Trim(part.substr(from, q - from - skip))));
    };

    std::size_t off = 0;
    std::size_t a = anchor.from(0);
    if (a == none) {
        return -1;
    }
    do {
        const std::size_t q = close.from(a);
        const std::size_t h = html.from(a);
        std::size_t h4 = none;
        // After a suffix the link part resumes a few characters on: a quirk of the stored site
        // lists, which may list the same anchor twice when such text stands before it.
        if (q != none && h != none && h < q) {
            store(text::Trim(part.substr(a + 7, h + 5 - (a + 7))));
            off = htmlFromStart.from(off) + 2;
            continue;
        }
        if (q != none && (h4 = htm.from(a)) != none && h4 < q) {
            store(withoutLeadingQuote(text::Trim(part.substr(a + 7, h4 + 4 - (a + 7)))));
            off = htmFromStart.from(off) + 4;
            continue;
        }
        // These suffixes only need to stand somewhere after the anchor, not inside it.
        const bool anyAspQuery = aspQuery.from(a) != none;
        const bool anyAsp = asp.from(a) != none;
        const std::size_t s = shtml.from(a);
        const bool anyPhp = php.from(a) != none;
        if (anyAspQuery) {
            storeBeforeClose(a, a + 7, q, 1);
        } else if (anyAsp) {
            storeBeforeClose(a, a + 8, q, 1);
        } else if (s != none) {
            store(withoutLeadingQuote(text::Trim(part.substr(a + 7, s + 6 - (a + 7)))));
        } else if (anyPhp) {
            storeBeforeClose(a, a + 7, q, 0);
        } else {
            // No link: skip the anchor keyword and the character after it, then the rest of the tag.
            skipped(a, q);
            off = std::min(a + 7, n);
            const std::size_t g = close.from(off);
            if (g != none) {
                off = g + 1;
            }
            continue;
        }
        // The ">" and the eight characters behind it are skipped; an anchor that is never closed
        // ends the link part.
        off = q == none ? n : std::min(q + 9, n);
    } while (off < n && (a = anchor.from(off)) != none);
    linkPart.erase(0, std::min(off, n));
    return i - 1;
}

std::u16string MergeAddress(std::u16string_view baseText, std::u16string_view relativeText)
{
    std::u16string base = text::Trim(baseText);
    std::u16string relative = text::Trim(relativeText);
    if (base.empty()) {
        return relative;
    }
    if (base.back() != u'/') {
        base += u'/';
    }
    if (!relative.empty() && relative.front() == u'/') {
        relative.erase(0, 1);
    }
    const std::size_t root = rootLength(base);
    for (auto up = relative.find(u"../"); up != std::u16string::npos; up = relative.find(u"../")) {
        // Everything up to the "../" goes with it, and the base loses its last folder.
        relative.erase(0, up + 3);
        if (base.size() > root) {
            const auto slash = base.size() >= 3 ? base.rfind(u'/', base.size() - 3) : std::u16string::npos;
            base.resize(slash == std::u16string::npos || slash + 1 < root ? root : slash + 1);
        }
    }
    return base + relative;
}

} // namespace vz::extract
