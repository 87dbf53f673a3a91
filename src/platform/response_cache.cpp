#include "response_cache.h"

#include <algorithm>
#include <filesystem>

#include <sqlite3.h>

namespace vz::platform {

namespace {

/// The kept format; a file of another version is emptied rather than misread.
constexpr int kFormatVersion = 1;

/// A prepared statement, finalized when it goes.
class Statement
{
public:
    Statement(sqlite3* db, const char* sql)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr) != SQLITE_OK) {
            sqlite3_finalize(m_stmt);
            m_stmt = nullptr;
        }
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    /// Ready to be bound and stepped again.
    Statement& reset()
    {
        sqlite3_reset(m_stmt);
        return *this;
    }
    Statement& text(int at, const std::string& value)
    {
        sqlite3_bind_text(m_stmt, at, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement& blob(int at, const std::string& value)
    {
        sqlite3_bind_blob64(m_stmt, at, value.data(), value.size(), SQLITE_TRANSIENT);
        return *this;
    }
    Statement& integer(int at, long long value)
    {
        sqlite3_bind_int64(m_stmt, at, value);
        return *this;
    }
    /// SQLITE_ROW, SQLITE_DONE or an error.
    int step() { return m_stmt ? sqlite3_step(m_stmt) : SQLITE_ERROR; }
    std::string column(int at) const
    {
        const auto* data = static_cast<const char*>(sqlite3_column_blob(m_stmt, at));
        const int size = sqlite3_column_bytes(m_stmt, at);
        return data && size > 0 ? std::string(data, static_cast<std::size_t>(size)) : std::string();
    }
    long long number(int at) const { return sqlite3_column_int64(m_stmt, at); }

private:
    sqlite3_stmt* m_stmt = nullptr;
};

/// Another run holds the file past the busy timeout: this one read or write is let go.
bool busy(int result)
{
    return (result & 0xff) == SQLITE_BUSY || (result & 0xff) == SQLITE_LOCKED;
}

} // namespace

std::unique_ptr<ResponseCache> ResponseCache::open(const std::string& path, long long now, CacheLimits limits)
{
    std::unique_ptr<ResponseCache> cache(new ResponseCache(nullptr, now, limits));
    cache->m_path = path;
    std::error_code ec;
    if (std::filesystem::exists(path, ec) || ec) {
        if (!cache->connect() && cache->m_damaged) {
            // Reported once, kept for whoever wants to look, and a new file from the next write
            // on: a damaged file left in place would be reported on every run for good.
            const std::string aside = path + ".damaged";
            std::filesystem::rename(path, aside, ec);
            if (!ec) {
                cache->m_problem = "キャッシュファイルが壊れていたため " + aside + " に移しました。新しく作り直します";
                cache->m_damaged = false;
                cache->m_deferred = true;
            }
        }
    } else {
        // A run with nothing to keep leaves no file behind.
        cache->m_deferred = true;
    }
    return cache;
}

bool ResponseCache::connect()
{
    const int opened = sqlite3_open_v2(m_path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (opened != SQLITE_OK) {
        fail("開けません");
        return false;
    }
    sqlite3_busy_timeout(m_db, m_limits.busyTimeoutMs);
    sqlite3_extended_result_codes(m_db, 1);
    // A lost write costs a fetch, never the output: the file need not wait for the disk.
    if (!exec("PRAGMA synchronous=OFF")) {
        return false;
    }
    // Read and let go at once: a statement still reading would keep the writes below from waiting
    // for another program that holds the file.
    const int found = [this] {
        Statement version(m_db, "PRAGMA user_version");
        return version.step() == SQLITE_ROW ? static_cast<int>(version.number(0)) : -1;
    }();
    if (found < 0) {
        fail("読めません");
        return false;
    }
    if (found != kFormatVersion && !(exec("DROP TABLE IF EXISTS responses") && exec("DROP TABLE IF EXISTS gathered") &&
                                     exec(("PRAGMA user_version=" + std::to_string(kFormatVersion)).c_str()))) {
        return false;
    }
    if (!exec("CREATE TABLE IF NOT EXISTS responses(url TEXT PRIMARY KEY, final_url TEXT NOT NULL, "
              "etag TEXT NOT NULL, last_modified TEXT NOT NULL, content_type TEXT NOT NULL, "
              "stored INTEGER NOT NULL, body BLOB NOT NULL)") ||
        !exec("CREATE INDEX IF NOT EXISTS responses_by_age ON responses(stored)") ||
        !exec("CREATE TABLE IF NOT EXISTS gathered(site TEXT NOT NULL, url TEXT NOT NULL, "
              "seen INTEGER NOT NULL, PRIMARY KEY(site, url))")) {
        return false;
    }
    prune();
    return m_db != nullptr;
}

std::unique_ptr<ResponseCache> ResponseCache::openToRead(const std::string& path, CacheLimits limits)
{
    sqlite3* db = nullptr;
    const int opened = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    std::unique_ptr<ResponseCache> cache(new ResponseCache(db, 0, limits));
    cache->m_readOnly = true;
    if (opened != SQLITE_OK) {
        cache->fail("開けません");
        return cache;
    }
    sqlite3_busy_timeout(db, limits.busyTimeoutMs);
    Statement version(db, "PRAGMA user_version");
    if (version.step() != SQLITE_ROW || version.number(0) != kFormatVersion) {
        cache->fail("読めません");
    }
    return cache;
}

ResponseCache::ResponseCache(sqlite3* db, long long now, CacheLimits limits) : m_db(db), m_now(now), m_limits(limits) {}

ResponseCache::~ResponseCache()
{
    flush();
    sqlite3_close_v2(m_db);
}

void ResponseCache::fail(const std::string& what)
{
    if (m_problem.empty()) {
        const char* reason = m_db ? sqlite3_errmsg(m_db) : "";
        m_problem = "キャッシュファイルを使えません（" + what + (reason && *reason ? std::string("、") + reason : "") +
                    "）。キャッシュなしで続けます";
    }
    if (m_db) {
        const int code = sqlite3_extended_errcode(m_db) & 0xff;
        m_damaged = code == SQLITE_NOTADB || code == SQLITE_CORRUPT;
        if (m_inTransaction) {
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        }
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
    m_inTransaction = false;
}

bool ResponseCache::exec(const char* sql)
{
    if (!m_db) {
        return false;
    }
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
        fail("読み書きできません");
        return false;
    }
    return true;
}

bool ResponseCache::beginWrite()
{
    if (!m_db && m_deferred) {
        m_deferred = false;
        connect();
    }
    if (!m_db || m_readOnly) {
        return false;
    }
    if (!m_inTransaction) {
        const int begun = sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        if (busy(begun)) {
            return false;
        }
        if (begun != SQLITE_OK) {
            fail("読み書きできません");
            return false;
        }
        m_inTransaction = true;
    }
    return true;
}

void ResponseCache::flush()
{
    if (m_db && m_inTransaction) {
        m_inTransaction = false;
        exec("COMMIT");
    }
}

void ResponseCache::prune()
{
    if (!beginWrite()) {
        return;
    }
    // A date ahead of now (a clock put back) counts as old: it would otherwise never age.
    Statement old(m_db, "DELETE FROM responses WHERE stored < ?1 OR stored > ?2");
    Statement gone(m_db, "DELETE FROM gathered WHERE seen < ?1 OR seen > ?2");
    const long long day = 24 * 3600;
    if (old.integer(1, m_now - m_limits.maxAgeSeconds).integer(2, m_now + day).step() != SQLITE_DONE ||
        gone.integer(1, m_now - m_limits.gatheredAgeSeconds).integer(2, m_now + day).step() != SQLITE_DONE) {
        fail("古い記録を消せません");
        return;
    }
    Statement total(m_db, "SELECT COALESCE(SUM(LENGTH(CAST(body AS BLOB))), 0) FROM responses");
    if (total.step() != SQLITE_ROW) {
        fail("読めません");
        return;
    }
    m_bytes = static_cast<std::uint64_t>(std::max(total.number(0), 0LL));
    // Bounds lowered since the last run take effect at once.
    while (m_bytes > m_limits.maxBytes && m_db) {
        Statement oldest(m_db, "DELETE FROM responses WHERE rowid = (SELECT rowid FROM responses ORDER BY stored, "
                               "rowid LIMIT 1) RETURNING LENGTH(CAST(body AS BLOB))");
        const int stepped = oldest.step();
        if (stepped != SQLITE_ROW) {
            if (stepped != SQLITE_DONE) {
                fail("古い記録を消せません");
            }
            m_bytes = 0;
            break;
        }
        const auto size = static_cast<std::uint64_t>(std::max(oldest.number(0), 0LL));
        m_bytes -= std::min(size, m_bytes);
        oldest.step(); // finishes the statement
    }
    flush();
}

std::optional<StoredResponse> ResponseCache::find(const std::string& url)
{
    if (!m_db || !m_responsesOn) {
        return std::nullopt;
    }
    Statement query(m_db, "SELECT final_url, etag, last_modified, content_type FROM responses "
                          "WHERE url = ?1 AND LENGTH(CAST(body AS BLOB)) <= ?2");
    query.text(1, url).integer(2, static_cast<long long>(m_limits.maxEntryBytes));
    const int stepped = query.step();
    if (stepped == SQLITE_DONE || busy(stepped)) {
        return std::nullopt;
    }
    if (stepped != SQLITE_ROW) {
        fail("読めません");
        return std::nullopt;
    }
    return StoredResponse{url, query.column(0), query.column(1), query.column(2), query.column(3), {}};
}

std::optional<std::string> ResponseCache::body(const StoredResponse& found)
{
    if (!m_db || !m_responsesOn) {
        return std::nullopt;
    }
    // Only the response whose validators went out: another run may have replaced it meanwhile.
    Statement query(m_db, "SELECT body FROM responses WHERE url = ?1 AND final_url = ?2 AND etag = ?3 AND "
                          "last_modified = ?4 AND LENGTH(CAST(body AS BLOB)) <= ?5");
    query.text(1, found.url)
        .text(2, found.finalUrl)
        .text(3, found.etag)
        .text(4, found.lastModified)
        .integer(5, static_cast<long long>(m_limits.maxEntryBytes));
    const int stepped = query.step();
    if (stepped == SQLITE_ROW) {
        return query.column(0);
    }
    if (stepped != SQLITE_DONE && !busy(stepped)) {
        fail("読めません");
    }
    return std::nullopt;
}

void ResponseCache::store(const StoredResponse& response)
{
    if (!m_responsesOn || m_readOnly) {
        return;
    }
    const bool keep = (!response.etag.empty() || !response.lastModified.empty()) &&
                      response.body.size() <= m_limits.maxEntryBytes && response.body.size() <= m_limits.maxBytes;
    if (!m_db && !(keep && beginWrite())) {
        return; // off, or no file yet and nothing to put in one
    }
    Statement before(m_db, "SELECT LENGTH(CAST(body AS BLOB)) FROM responses WHERE url = ?1");
    before.text(1, response.url);
    const int found = before.step();
    if (busy(found)) {
        flush(); // the file was just made: what it holds so far stays
        return;
    }
    if (found != SQLITE_ROW && found != SQLITE_DONE) {
        fail("読めません");
        return;
    }
    const auto keptSize = static_cast<std::uint64_t>(found == SQLITE_ROW ? std::max(before.number(0), 0LL) : 0);
    before.reset(); // no read left open while the write waits for the file
    if (found == SQLITE_DONE && !keep) {
        flush();
        return; // nothing kept and nothing to keep: no write at all
    }
    if (!beginWrite()) {
        return;
    }
    m_bytes -= std::min(keptSize, m_bytes);
    if (!keep) {
        // What was kept no longer stands for the address: it must not answer a later 304.
        Statement drop(m_db, "DELETE FROM responses WHERE url = ?1");
        if (drop.text(1, response.url).step() != SQLITE_DONE) {
            fail("書き込めません");
            return;
        }
        flush();
        return;
    }
    Statement put(m_db, "INSERT OR REPLACE INTO responses(url, final_url, etag, last_modified, content_type, stored, "
                        "body) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7)");
    put.text(1, response.url)
        .text(2, response.finalUrl)
        .text(3, response.etag)
        .text(4, response.lastModified)
        .text(5, response.contentType)
        .integer(6, m_now)
        .blob(7, response.body);
    if (put.step() != SQLITE_DONE) {
        fail("書き込めません");
        return;
    }
    m_bytes += response.body.size();
    flush();
    if (m_bytes > m_limits.maxBytes) {
        prune();
    }
}

void ResponseCache::confirm(const std::string& url)
{
    if (!m_responsesOn || !beginWrite()) {
        return;
    }
    Statement touch(m_db, "UPDATE responses SET stored = ?2 WHERE url = ?1");
    if (touch.text(1, url).integer(2, m_now).step() != SQLITE_DONE) {
        fail("書き込めません");
        return;
    }
    flush();
}

std::unordered_set<std::string> ResponseCache::gathered(const std::string& site)
{
    std::unordered_set<std::string> urls;
    if (!m_db) {
        return urls;
    }
    Statement query(m_db, "SELECT url FROM gathered WHERE site = ?1");
    query.text(1, site);
    int stepped = SQLITE_ROW;
    while ((stepped = query.step()) == SQLITE_ROW) {
        urls.insert(query.column(0));
    }
    if (stepped != SQLITE_DONE) {
        if (!busy(stepped)) {
            fail("読めません");
        }
        urls.clear();
    }
    return urls;
}

void ResponseCache::markGathered(const std::string& site, const std::vector<std::string>& urls)
{
    if (urls.empty() || !beginWrite()) {
        return;
    }
    Statement put(m_db, "INSERT OR REPLACE INTO gathered(site, url, seen) VALUES(?1, ?2, ?3)");
    for (const std::string& url : urls) {
        if (put.reset().text(1, site).text(2, url).integer(3, m_now).step() != SQLITE_DONE) {
            fail("書き込めません");
            return;
        }
    }
    flush();
}

} // namespace vz::platform
