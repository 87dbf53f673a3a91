#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

struct sqlite3;

namespace vz::platform {

/// A response kept for a later run: what a fetch with the same address gets back when the server
/// answers a conditional request with 304.
struct StoredResponse
{
    std::string url;      ///< the address asked for, escaped as sent: the key
    std::string finalUrl; ///< where the redirects, if any, ended
    std::string etag;
    std::string lastModified;
    std::string contentType;
    std::string body;
};

/// Bounds of the cache file.
struct CacheLimits
{
    /// All bodies together; the oldest go first when a new one would pass it.
    std::uint64_t maxBytes = 256ULL * 1024 * 1024;
    /// A larger body is not kept (it is fetched in full every time).
    std::uint64_t maxEntryBytes = 32ULL * 1024 * 1024;
    /// A response not stored or confirmed for this long is dropped.
    long long maxAgeSeconds = 30LL * 24 * 3600;
    /// Articles a site had not listed for this long are forgotten.
    long long gatheredAgeSeconds = 90LL * 24 * 3600;
    /// Another program (a second run) may hold the file for a moment; past this it is left alone.
    int busyTimeoutMs = 2000;
};

/// The file name of the cache in the program folder.
inline constexpr const char* kCacheFileName = "vodeZeva.cache";

/// Responses kept across runs, and the articles each site gave in earlier runs, in one SQLite
/// file. What it holds came from strangers: every key is matched whole, every size is measured
/// rather than read, every statement prepared.
///
/// A write that finds the file held by another run past the busy timeout is let go (it costs a
/// fetch later). Any other failure of the database (damaged, not a database at all, the disk full)
/// switches it off for the rest of the run: finds find nothing,
/// stores keep nothing, and problem() says what happened, once. The run goes on as without it.
class ResponseCache
{
public:
    /// Opens the file, or makes it at the first write; `now` is seconds since 1970 and dates what
    /// is stored. Entries past their age are dropped at once. Never null: a cache that could not
    /// be opened is off.
    static std::unique_ptr<ResponseCache> open(const std::string& path, long long now, CacheLimits limits = {});
    /// Opens an existing file only to read it: nothing is stored, confirmed, recorded or pruned.
    static std::unique_ptr<ResponseCache> openToRead(const std::string& path, CacheLimits limits = {});
    ~ResponseCache();
    ResponseCache(const ResponseCache&) = delete;
    ResponseCache& operator=(const ResponseCache&) = delete;

    /// Whether it can be used: open, or still to be made at the first write.
    bool working() const { return m_db != nullptr || m_deferred; }
    /// What switched it off, or where a damaged file was moved aside; empty when all went well.
    const std::string& problem() const { return m_problem; }
    /// Whether responses are looked up and kept; the articles of earlier runs still are when not.
    void setResponsesOn(bool on) { m_responsesOn = on; }

    /// The response kept for exactly this address, if any, without its body: a server that sends
    /// the whole page again never needs it.
    std::optional<StoredResponse> find(const std::string& url);
    /// The body of what find() gave, while the file still keeps that very response.
    std::optional<std::string> body(const StoredResponse& found);
    /// Keeps a response that carries a validator, in place of the one kept for its address; a
    /// response without one, or too large, drops what was kept for its address.
    void store(const StoredResponse& response);
    /// The server confirmed the kept response: it counts as new again.
    void confirm(const std::string& url);

    /// The articles `site` gave in earlier runs.
    std::unordered_set<std::string> gathered(const std::string& site);
    /// Records articles the site gave (or still lists) in this run.
    void markGathered(const std::string& site, const std::vector<std::string>& urls);

    /// Ends the write under way. Each write is its own transaction, so that another run waiting
    /// for the file waits for one write, never for this run's network.
    void flush();
    /// Bytes of the bodies kept, as measured.
    std::uint64_t bytes() const { return m_bytes; }

private:
    ResponseCache(sqlite3* db, long long now, CacheLimits limits);
    /// Opens or makes m_path, its tables and its bounds; false (after fail()) when it cannot.
    bool connect();
    /// Switches the cache off after a failure, keeping the first reason.
    void fail(const std::string& what);
    bool exec(const char* sql);
    /// Starts a write transaction unless one is open; false when the cache is off.
    bool beginWrite();
    void prune();

    sqlite3* m_db = nullptr;
    long long m_now = 0;
    CacheLimits m_limits;
    std::string m_problem;
    bool m_responsesOn = true;
    bool m_readOnly = false;
    std::string m_path;
    /// There was no file: it is made at the first write.
    bool m_deferred = false;
    bool m_inTransaction = false;
    /// The file is no database or a damaged one (not merely held by another program).
    bool m_damaged = false;
    std::uint64_t m_bytes = 0;
};

} // namespace vz::platform
