#include "site_plan.h"

#include <algorithm>
#include <cmath>

#include "extract/article_cutting.h"
#include "extract/index_cutting.h"
#include "run/string_helpers.h"
#include "run/text.h"

namespace vz::gather {

std::u16string articleAddress(const std::u16string& serverAddressHeader, const std::u16string& link)
{
    const std::u16string trimmed = text::Trim(link);
    // A secure address is as absolute as a plain one; joining it to the base would make an
    // address that cannot exist.
    if (trimmed.rfind(u"http:", 0) == 0 || trimmed.rfind(u"https:", 0) == 0) {
        return link;
    }
    return extract::MergeAddress(serverAddressHeader, link);
}

std::int32_t minimumPictureSize(const std::u16string& minPix)
{
    if (text::Trim(minPix).empty()) {
        return 0;
    }
    const double value = std::nearbyint(run::Val(minPix));
    return static_cast<std::int32_t>(std::clamp(value, -2147483648.0, 2147483647.0));
}

bool indexIsArticle(const run::SiteRecord& site)
{
    return site.FilterIndex1.empty() && site.FilterIndex2.empty();
}

int lastIndex(int highest, std::int16_t LastArticleIndex, const run::SiteRecord& site)
{
    int last = highest;
    if (last > LastArticleIndex) {
        last = LastArticleIndex;
    }
    // The site's own limit is the number its NrPage begins with; stored as a whole index it
    // is rounded like any number given to a whole-number variable.
    const double own = run::Val(site.NrPage);
    if (own > 0 && own < last) {
        last = run::roundToInt16(own);
    }
    return last;
}

namespace {

// Fetched whatever becomes of link 0 as an article.
std::optional<std::u16string> headPage(const run::SiteRecord& site, const std::vector<std::u16string>& links)
{
    if (site.TagOption == kRemoveAll || links.empty()) {
        return std::nullopt;
    }
    return articleAddress(site.ServerAddressHeader, links.front());
}

} // namespace

std::vector<LinkStep> LinkWalk::walked() const
{
    const auto count = static_cast<std::size_t>(std::clamp<int>(last + 1, 0, static_cast<int>(steps.size())));
    return {steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(count)};
}

LinkWalk walkLinks(const run::SiteRecord& site, const std::vector<std::u16string>& links, int last,
                   AddressOrigin origin)
{
    LinkWalk walk;
    walk.last = last;
    walk.origin = origin;
    walk.headPage = headPage(site, links);
    for (std::size_t j = 0; j < links.size(); ++j) {
        const int index = static_cast<int>(j);
        LinkStep step{index, links[j], articleAddress(site.ServerAddressHeader, links[j]), LinkFate::Fetched};
        if (index > last) {
            step.fate = LinkFate::PastLimit;
        } else if (links[j].find(u"index.htm") != std::u16string::npos) {
            step.fate = LinkFate::IndexPage;
        } else if (last != 0 && j > 0 && links[j] == links[j - 1]) {
            step.fate = LinkFate::Repeat;
        } else if (!mayFetch(step.address, origin)) {
            step.fate = LinkFate::Refused;
        }
        walk.steps.push_back(std::move(step));
    }
    return walk;
}

LinkWalk walkIndexAsArticle(const run::SiteRecord& site)
{
    return walkLinks(site, {site.IndexAddress}, 0, AddressOrigin::SiteList);
}

IndexCut cutIndex(run::Reporter& reporter, const run::SiteRecord& site, std::u16string page,
                  std::int16_t LastArticleIndex)
{
    IndexCut cut;
    cut.markers = extract::findMarkerPair(page, site.FilterIndex1, site.FilterIndex2);
    std::u16string part = extract::CutHeader(reporter, page, site.FilterIndex1, site.FilterIndex2);
    std::u16string().swap(page);
    cut.linkPartLength = part.size();
    cut.linkPartHead = part.substr(0, kLinkPartShown);
    std::vector<std::u16string> links;
    cut.highest = extract::CutMsg(reporter, part, links, &cut.unlisted);
    const std::optional<std::u16string> head = headPage(site, links);
    // The list has room for more than it holds; the entries past the highest stay empty and are
    // never read. Its first entry is fetched for the head all the same, empty or not.
    links.resize(static_cast<std::size_t>(std::max(cut.highest + 1, 0)));
    cut.walk = walkLinks(site, links, lastIndex(cut.highest, LastArticleIndex, site), AddressOrigin::Page);
    cut.walk.headPage = head;
    return cut;
}

std::vector<Expected> sitePages(int row, const LinkWalk& walk)
{
    std::vector<Expected> pages;
    // What the run will refuse to fetch is not fetched ahead either.
    const bool headAhead = walk.headPage && mayFetch(*walk.headPage, walk.origin);
    if (headAhead) {
        pages.push_back(Expected{*walk.headPage, Expected::Kind::Article, row, false});
    }
    for (const LinkStep& step : walk.walked()) {
        if (step.fate != LinkFate::Fetched) {
            continue;
        }
        if (step.index == 0 && headAhead && step.address == *walk.headPage) {
            pages.front().cut = true;
            continue;
        }
        pages.push_back(Expected{step.address, Expected::Kind::Article, row, true});
    }
    return pages;
}

std::vector<std::u16string> picturesAhead(const run::SiteRecord& site, const std::u16string& article,
                                          std::u16string_view page, int limit)
{
    std::vector<std::u16string> pictures;
    if (site.PixOption != u"KeepPix") {
        return pictures;
    }
    for (const auto& tries :
         extract::picturesOfArticle(page, site.FilterHeadline1, site.FilterHeadline2, site.FilterText1,
                                    site.FilterText2, site.ServerAddressHeader, article)) {
        // The run fetches no more of an article's pictures than this either.
        if (static_cast<int>(pictures.size()) >= limit) {
            break;
        }
        if (mayFetch(tries.front(), AddressOrigin::Page)) {
            pictures.push_back(tries.front());
        }
    }
    return pictures;
}

} // namespace vz::gather
