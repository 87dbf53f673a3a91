#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "extract/index_cutting.h"
#include "extract/line_fitting.h"
#include "extract/marker_search.h"
#include "gather/look_ahead.h"
#include "gather/picture_store.h"
#include "gather/site_plan.h"
#include "gather/site_snag.h"
#include "platform/fetcher.h"
#include "run/site_list_file.h"

/// Trying one site as a run would gather it, to see what its fields give before a run: what the
/// index page gives, which links the run fetches and skips, and the first article as it would be
/// written. Every decision is the run's own; nothing is written anywhere.
namespace vz::gather {

/// What a site is tried with besides its own fields: the values of the settings line.
struct CheckSettings
{
    extract::LineFitting fitting;
    std::int16_t LastArticleIndex = 9999;
    PictureLimits pictures;
    /// Transfers at once (an article's pictures go together); at most 4 to one server.
    int jobs = 8;
};

/// How one page of a tried site came.
struct PageCheck
{
    std::u16string address;
    bool fetched = false;
    std::u16string cause; ///< why it did not come
    PageReading reading;
    /// Which encoding the page was read in and why, in words.
    std::u16string encoding;
    std::chrono::milliseconds took{0};
};

/// One marker as the tried site's page was searched for it.
struct MarkerCheck
{
    std::u16string marker;
    /// False when it was not looked for: the page did not come, or an earlier marker was missing.
    bool searched = false;
    bool found = false;
    std::ptrdiff_t at = 0; ///< 1-based position in the page when found
    /// Where it was looked for, in words ("インデックスページ全体", "開始の文字列より後").
    std::u16string where;
    std::optional<extract::NearMiss> nearMiss;
};

/// The article a tried site gives.
struct ArticleCheck
{
    LinkStep link;
    PageCheck page;
    MarkerCheck headline1, headline2, text1, text2;
    /// The headline as the run picks it out of the article for a link line.
    std::u16string headline;
    /// The article as the run writes it into the site page (headline and text, cleaned and
    /// fitted); empty when it gives none.
    std::u16string text;
    /// Its size as written (CP932 bytes).
    std::size_t bytes = 0;
    std::vector<PictureSeen> pictures;
};

struct SiteCheck
{
    run::SiteRecord site;
    /// Both index markers are empty: the index address is the one article.
    bool indexIsArticle = false;
    PageCheck index;
    MarkerCheck index1, index2;
    std::u16string linkPartHead; ///< the beginning of the part cut out of the index page
    std::size_t linkPartLength = 0;
    /// CutMsg's highest index: -1 when the part names no link.
    int highest = -1;
    std::vector<extract::UnlistedAnchor> unlisted;
    LinkWalk walk;
    std::optional<ArticleCheck> article;
    /// The first thing to fix; none when the site gives an article.
    SiteSnag snag;
    /// The reports a run would make for what was tried, as the error list shows them.
    std::vector<std::u16string> reports;
    bool stopped = false;
    std::chrono::milliseconds took{0};

    /// Whether the site gives an article with all its markers found.
    bool works() const { return !stopped && !snag && article && !article->text.empty(); }
};

/// The last line of a report: what works, or the first thing to fix, in plain Japanese.
std::u16string verdictText(const SiteCheck& check);

/// What to try.
struct CheckRequest
{
    run::SiteRecord site;
    CheckSettings settings;
    /// The link to try as the article, by its index in the list; without one, the first the run
    /// fetches.
    std::optional<int> article;
};

/// Tries a site through `fetcher`: the index page, its links, one article with its pictures.
/// Reports, pages and pictures stay in memory. A stop of the fetcher (Fetcher::stop(), from any
/// thread) ends it within a second, with `stopped` set; a fetcher stopped before is the caller's
/// to resume.
SiteCheck checkSite(const CheckRequest& request, platform::Fetcher& fetcher);

/// The encoding a page was read in and why, in words.
std::u16string encodingText(const PageReading& reading, std::u16string_view text);

} // namespace vz::gather
