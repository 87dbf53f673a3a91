#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "extract/index_cutting.h"
#include "extract/marker_search.h"
#include "gather/look_ahead.h"
#include "gather/page_fetch.h"
#include "run/reporter.h"
#include "run/site_list_file.h"

/// The rules by which the run decides what it fetches for a site: which links of the list, from
/// which addresses, which pages ahead of their turn. The run and the site tester both follow them,
/// so a tried site behaves as it will in a run.
namespace vz::gather {

/// The tag option that makes a site page plain text.
inline constexpr const char16_t* kRemoveAll = u"RemoveAll";

/// The address an article link is fetched from: an absolute link ("http:" or "https:") as it
/// stands, any other joined onto the site's base address.
std::u16string articleAddress(const std::u16string& serverAddressHeader, const std::u16string& link);

/// The minimum picture size: the number minPix begins with, rounded, or 0 when it is blank.
std::int32_t minimumPictureSize(const std::u16string& minPix);

/// Whether the site's one article is its index page itself: both index markers are empty.
bool indexIsArticle(const run::SiteRecord& site);

/// The highest link index to fetch: CutMsg's highest, lowered to the run's limit
/// (`LastArticleIndex`) and the site's own NrPage.
int lastIndex(int highest, std::int16_t LastArticleIndex, const run::SiteRecord& site);

/// What the run does with one link of the list.
enum class LinkFate {
    Fetched,   ///< fetched and cut as an article
    IndexPage, ///< skipped: it names "index.htm"
    Repeat,    ///< skipped: the same as the link just before it
    Refused,   ///< asked for but refused unfetched: a page may name only http and https addresses
    PastLimit, ///< beyond the number of articles the run or the site allows
    Gathered,  ///< skipped: an earlier run gathered it, and the site list wants only new ones
};

struct LinkStep
{
    int index = 0;
    std::u16string link;    ///< as the list holds it
    std::u16string address; ///< what it resolves to
    LinkFate fate = LinkFate::Fetched;

    /// Whether the run asks for the page (and so cuts it, or reports it as failed).
    bool tried() const { return fate == LinkFate::Fetched || fate == LinkFate::Refused; }
};

/// The walk over one site's links, in list order.
struct LinkWalk
{
    /// Every link of the list, those past the limit included.
    std::vector<LinkStep> steps;
    /// The highest index the run reads; -1 when none.
    int last = -1;
    /// Links cut out of the index page are the page's word; the index address alone is the user's.
    AddressOrigin origin = AddressOrigin::Page;
    /// The page fetched first for the site page's head (link 0's address), when the page is HTML.
    std::optional<std::u16string> headPage;

    /// The steps the run goes through: 0 to last.
    std::vector<LinkStep> walked() const;
};

/// Decides, for the links of a site's list and the highest index to read, where each link leads
/// and what the run does with it.
LinkWalk walkLinks(const run::SiteRecord& site, const std::vector<std::u16string>& links, int last,
                   AddressOrigin origin);

/// The walk of a site without index markers: its index address is its one article.
LinkWalk walkIndexAsArticle(const run::SiteRecord& site);

/// An index page cut as the run cuts it.
struct IndexCut
{
    /// Where the index markers stand in the page.
    extract::MarkerPair markers;
    /// The beginning of the link part CutHeader cut (at most kLinkPartShown characters) and its
    /// whole length.
    std::u16string linkPartHead;
    std::size_t linkPartLength = 0;
    /// What CutMsg returned: the highest filled index, -1 when no link was found.
    int highest = -1;
    /// The anchors CutMsg listed no link for.
    std::vector<extract::UnlistedAnchor> unlisted;
    LinkWalk walk;
};
inline constexpr std::size_t kLinkPartShown = 2000;

/// Cuts the link part out of an index page, lists its links and walks them, limited by the run's
/// `LastArticleIndex` and the site's own NrPage. Cutting reports what it finds wrong to `reporter`.
IndexCut cutIndex(run::Reporter& reporter, const run::SiteRecord& site, std::u16string page,
                  std::int16_t LastArticleIndex);

/// The pages the run will fetch for a site once its walk is known, in order, for fetching ahead:
/// the page checked for the head (which is the first article, fetched once) and the articles it
/// may fetch.
std::vector<Expected> sitePages(int row, const LinkWalk& walk);

/// The pictures the run will fetch for an article it cuts, in order and at most `limit`: the
/// first address of each that may be fetched. Nothing when pictures are not kept.
std::vector<std::u16string> picturesAhead(const run::SiteRecord& site, const std::u16string& article,
                                          std::u16string_view page, int limit);

} // namespace vz::gather
