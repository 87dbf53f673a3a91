#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "extract/article_cutting.h"
#include "extract/marker_search.h"
#include "gather/page_fetch.h"
#include "gather/site_plan.h"
#include "run/site_list_file.h"

namespace vz::gather {

/// The first thing that kept a site from giving an article: what a person should fix first. The
/// run names it for every site that gathered nothing; the site tester ends its report with it.
struct SiteSnag
{
    enum class Kind {
        None,
        FileName,      ///< the output file name cannot be used (cause)
        IndexFetch,    ///< the index page was not fetched (address, cause)
        IndexStart,    ///< the index's start marker is missing from the index page
        IndexEnd,      ///< the index's end marker is missing after its start marker
        NoLinks,       ///< the link part names no address with a page suffix (count: anchors without)
        NoneAllowed,   ///< the numbers of articles allowed leave no link (count: links)
        AllSkipped,    ///< every link the run reads is skipped (count: links)
        ArticleFetch,  ///< an article page was not fetched (address, cause)
        HeadlineStart, ///< an article's marker is missing, in the order cutting checks them
        HeadlineEnd,
        TextStart,
        TextEnd,
        Empty,      ///< the markers were found, and nothing was left of the article
        NotWritten, ///< the site page could not be written (address: the file, cause)
    };

    Kind kind = Kind::None;
    std::u16string address;
    std::u16string cause;
    /// For a missing marker: the marker, and for an end marker the start marker it must follow.
    std::u16string marker;
    std::u16string startMarker;
    /// Text of the page that almost reads as the missing marker.
    std::optional<std::u16string> nearMiss;
    /// For a missing end marker: it stands in the page, but only before the start marker.
    bool endBeforeStart = false;
    int count = 0;

    explicit operator bool() const { return kind != Kind::None; }

    /// A snag of a page or file: where, and why in words.
    static SiteSnag at(Kind kind, std::u16string address, std::u16string cause = {});
    /// A snag of the site's links, with their number.
    static SiteSnag ofLinks(Kind kind, int count);
};

/// The snag in one sentence of plain Japanese: what is wrong and where.
std::u16string snagText(const SiteSnag& snag);

/// The snag of an index page whose markers cutting did not find, with what almost matches.
/// `cancelled` may end the search for a near miss early.
SiteSnag indexMarkerSnag(const run::SiteRecord& site, const std::u16string& address, std::u16string_view page,
                         const extract::MarkerPair& found, const std::function<bool()>& cancelled = {});

/// The same for an article page.
SiteSnag articleMarkerSnag(const run::SiteRecord& site, const std::u16string& address, std::u16string_view page,
                           const extract::ArticleMarkers& markers, const std::function<bool()>& cancelled = {});

/// What kept an index page from giving its links: a failed fetch or a missing marker. Nothing
/// when neither.
SiteSnag indexPageSnag(const run::SiteRecord& site, const Page& index, const std::function<bool()>& cancelled = {});

/// What a site's link walk leaves the run to fetch: no link listed (`highest` -1, with the
/// `unlisted` anchors), none within the numbers allowed, or every one skipped. Nothing when the
/// run asks for at least one page.
SiteSnag walkSnag(const LinkWalk& walk, int highest, int unlisted);

/// What kept an article page from giving an article: a failed fetch or a missing marker. Nothing
/// when neither.
SiteSnag articlePageSnag(const run::SiteRecord& site, const std::u16string& address, const Page& page,
                         const std::function<bool()>& cancelled = {});

/// Text from a page shown inside a sentence: line ends and tabs as visible marks, at most
/// `limit` characters.
std::u16string shownInline(std::u16string_view text, std::size_t limit = 120);

} // namespace vz::gather
