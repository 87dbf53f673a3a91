#pragma once

#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "gather/site_plan.h"
#include "platform/fetcher.h"
#include "platform/response_cache.h"
#include "run/reporter.h"
#include "run/site_list_file.h"

namespace vz::gather {

/// A site page's one line when every article its index lists was gathered before.
inline constexpr const char16_t* kNothingNew = u"前回から新しい記事はありません。";

/// The cache file of one run: opened in the program folder when the run starts (only when the run
/// keeps responses or skips old articles), handed to the fetcher, and closed when the run ends,
/// when what kept it from working is reported once. Without it the run goes on as it always did.
class RunCache
{
public:
    RunCache(platform::Fetcher& fetcher, run::Reporter& reporter, const std::u16string& programFolder, long long now,
             bool responses, bool articles);
    ~RunCache();
    RunCache(const RunCache&) = delete;
    RunCache& operator=(const RunCache&) = delete;

    /// Null when the run uses no cache file.
    platform::ResponseCache* get() const { return m_cache.get(); }
    /// Takes the cache from the fetcher, keeps what was written and reports what kept it from
    /// working; once, before the run's last words.
    void close();

private:
    platform::Fetcher& m_fetcher;
    run::Reporter& m_reporter;
    std::u16string m_path;
    std::unique_ptr<platform::ResponseCache> m_cache;
    bool m_closed = false;
};

/// What earlier runs of the sites of one site list gathered, for skipping it. A site is known by
/// its site list file, its index address and its page: two rows may cut different sections out of
/// one index page, and what one gathers the other must still gather.
class GatheredBefore
{
public:
    /// Off (nothing skipped, nothing recorded) without a cache or when `on` is false.
    GatheredBefore(platform::ResponseCache* cache, bool on, const std::u16string& siteListPath);

    bool on() const { return m_cache != nullptr; }
    /// Marks the articles of a site's walk an earlier run gathered; returns how many. The one
    /// article of a site without index markers is its index page: never skipped.
    int skip(const run::SiteRecord& site, LinkWalk& walk);
    /// Records what the site gave in this run, and what it still lists from earlier runs, once its
    /// page is written.
    void record(const run::SiteRecord& site, const LinkWalk& walk, const std::vector<std::u16string>& gathered);

private:
    std::string key(const run::SiteRecord& site) const;

    platform::ResponseCache* m_cache;
    std::u16string m_siteListPath;
};

} // namespace vz::gather
