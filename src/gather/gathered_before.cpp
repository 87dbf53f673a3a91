#include "gathered_before.h"

#include <algorithm>

#include "run/text.h"

namespace vz::gather {

RunCache::RunCache(platform::Fetcher& fetcher, run::Reporter& reporter, const std::u16string& programFolder,
                   long long now, bool responses, bool articles)
    : m_fetcher(fetcher), m_reporter(reporter), m_path(programFolder + text::fromUtf8(platform::kCacheFileName))
{
    if ((!responses && !articles) || programFolder.empty()) {
        return;
    }
    m_cache = platform::ResponseCache::open(text::toUtf8(m_path), now);
    m_cache->setResponsesOn(responses);
    if (responses) {
        m_fetcher.useCache(m_cache.get());
    }
}

RunCache::~RunCache()
{
    close();
}

void RunCache::close()
{
    if (!m_cache || m_closed) {
        return;
    }
    m_closed = true;
    m_fetcher.useCache(nullptr);
    m_cache->flush();
    if (!m_cache->problem().empty()) {
        m_reporter.DispErr(text::fromUtf8(m_cache->problem()), m_path, u"", u"MAIN");
    }
}

GatheredBefore::GatheredBefore(platform::ResponseCache* cache, bool on, const std::u16string& siteListPath)
    : m_cache(on ? cache : nullptr), m_siteListPath(siteListPath)
{
}

std::string GatheredBefore::key(const run::SiteRecord& site) const
{
    return text::toUtf8(m_siteListPath) + '\t' + text::toUtf8(site.IndexAddress) + '\t' + text::toUtf8(site.FileName);
}

int GatheredBefore::skip(const run::SiteRecord& site, LinkWalk& walk)
{
    if (!m_cache || walk.origin != AddressOrigin::Page) {
        return 0;
    }
    const std::unordered_set<std::string> before = m_cache->gathered(key(site));
    int skipped = 0;
    for (LinkStep& step : walk.steps) {
        if (step.fate == LinkFate::Fetched && before.contains(text::toUtf8(step.address))) {
            step.fate = LinkFate::Gathered;
            ++skipped;
        }
    }
    // With nothing new, no page is fetched just for the site page's head.
    const auto walked = walk.walked();
    if (skipped > 0 && std::none_of(walked.begin(), walked.end(), [](const LinkStep& s) { return s.tried(); })) {
        walk.headPage.reset();
    }
    return skipped;
}

void GatheredBefore::record(const run::SiteRecord& site, const LinkWalk& walk,
                            const std::vector<std::u16string>& gathered)
{
    if (!m_cache) {
        return;
    }
    std::vector<std::string> urls;
    for (const LinkStep& step : walk.steps) {
        if (step.fate == LinkFate::Gathered) {
            urls.push_back(text::toUtf8(step.address)); // still listed: not forgotten yet
        }
    }
    for (const std::u16string& address : gathered) {
        urls.push_back(text::toUtf8(address));
    }
    m_cache->markGathered(key(site), urls);
}

} // namespace vz::gather
