#include "curl_downloader.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>

#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include "version.h"

namespace vz::platform {
namespace {

void initialiseCurl()
{
    // Once per process, before the first handle; never undone, as other handles may still live.
    static const CURLcode result = curl_global_init(CURL_GLOBAL_DEFAULT);
    if (result != CURLE_OK) {
        throw std::runtime_error(std::string("libcurl cannot be initialised: ") + curl_easy_strerror(result));
    }
}

std::string errorText(int error)
{
    return std::strerror(error);
}

// The body being received: a new file beside the target, which takes the target's place only
// when the whole body has arrived, and is removed otherwise.
class PartFile
{
public:
    explicit PartFile(const std::string& target)
    {
        static std::atomic<unsigned> counter{0};
        std::random_device seed;
        for (int attempt = 0; attempt < 16 && !m_file; ++attempt) {
            m_path = target + ".part-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" +
                     std::to_string(seed() % 100000);
            // O_EXCL: never write into a file someone else made; 0666 lets the umask decide, as
            // for any file the program writes.
            const int fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd < 0) {
                m_error = errno;
                if (m_error != EEXIST) {
                    break;
                }
                continue;
            }
            m_file = ::fdopen(fd, "wb");
            if (!m_file) {
                m_error = errno;
                ::close(fd);
                ::unlink(m_path.c_str());
                break;
            }
        }
    }
    ~PartFile()
    {
        if (m_file) {
            std::fclose(m_file);
        }
        if (!m_committed && !m_path.empty()) {
            ::unlink(m_path.c_str());
        }
    }
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    bool open() const { return m_file != nullptr; }
    std::FILE* file() const { return m_file; }
    const std::string& path() const { return m_path; }
    int error() const { return m_error; }

    /// Closes the file and puts it in the target's place; false (with error()) when either fails.
    bool commit(const std::string& target)
    {
        // Always close, even when the flush fails (a full disk): the handle must not leak.
        const bool flushed = std::fflush(m_file) == 0;
        const int flushError = errno;
        const bool closed = std::fclose(m_file) == 0;
        m_file = nullptr;
        if (!flushed || !closed) {
            m_error = flushed ? errno : flushError;
            return false;
        }
        if (std::rename(m_path.c_str(), target.c_str()) != 0) {
            m_error = errno;
            return false;
        }
        m_committed = true;
        return true;
    }

private:
    std::string m_path;
    std::FILE* m_file = nullptr;
    int m_error = 0;
    bool m_committed = false;
};

struct Transfer
{
    std::FILE* file = nullptr;
    std::uint64_t written = 0;
    std::uint64_t limit = 0;
    bool tooBig = false;
    int writeError = 0;
};

std::size_t writeBody(char* data, std::size_t size, std::size_t count, void* user)
{
    auto* transfer = static_cast<Transfer*>(user);
    const std::size_t n = size * count;
    if (transfer->written + n > transfer->limit) {
        transfer->tooBig = true;
        return 0; // anything short of n ends the transfer
    }
    if (std::fwrite(data, 1, n, transfer->file) != n) {
        transfer->writeError = errno != 0 ? errno : EIO;
        return 0;
    }
    transfer->written += n;
    return n;
}

int checkAbort(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    const auto* check = static_cast<const std::function<bool()>*>(user);
    return *check && (*check)() ? 1 : 0; // anything but 0 ends the transfer
}

DownloadResult failure(int status, std::string description)
{
    return DownloadResult{status, {}, std::move(description)};
}

} // namespace

// "HTTP status 404 Not Found": the standard reason phrase, so a report need not be looked up.
// HTTP/2 answers carry no phrase of their own, so the server's is not used.
std::string httpStatusText(long status)
{
    static constexpr std::pair<long, const char*> kReasons[] = {
        {400, "Bad Request"},
        {401, "Unauthorized"},
        {403, "Forbidden"},
        {404, "Not Found"},
        {405, "Method Not Allowed"},
        {407, "Proxy Authentication Required"},
        {408, "Request Timeout"},
        {410, "Gone"},
        {429, "Too Many Requests"},
        {451, "Unavailable For Legal Reasons"},
        {500, "Internal Server Error"},
        {501, "Not Implemented"},
        {502, "Bad Gateway"},
        {503, "Service Unavailable"},
        {504, "Gateway Timeout"},
    };
    std::string text = "HTTP status " + std::to_string(status);
    for (const auto& [code, reason] : kReasons) {
        if (code == status) {
            text += std::string(" ") + reason;
        }
    }
    return text;
}

std::string escapeUrl(const std::string& url)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    std::size_t first = 0;
    std::size_t last = url.size();
    while (first < last && isBlank(url[first])) {
        ++first;
    }
    while (last > first && isBlank(url[last - 1])) {
        --last;
    }
    std::string out;
    out.reserve(last - first);
    for (std::size_t i = first; i < last; ++i) {
        const auto b = static_cast<unsigned char>(url[i]);
        if (b <= 0x20 || b >= 0x7F) {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 0x0F];
        } else {
            out += static_cast<char>(b);
        }
    }
    return out;
}

std::string CurlDownloader::userAgent()
{
    return std::string(kProgramName) + "/" + kVersion;
}

CurlDownloader::CurlDownloader(CurlSettings settings) : m_settings(settings)
{
    initialiseCurl();
    m_curl = curl_easy_init();
    if (!m_curl) {
        throw std::runtime_error("libcurl cannot make a handle");
    }
    const std::string agent = userAgent();
    curl_easy_setopt(m_curl, CURLOPT_USERAGENT, agent.c_str()); // libcurl keeps its own copy
    curl_easy_setopt(m_curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(m_curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(m_curl, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(m_curl, CURLOPT_AUTOREFERER, 1L);
    // A page may send the program to another site, never into the local file system.
    if (curl_easy_setopt(m_curl, CURLOPT_PROTOCOLS_STR, "http,https,file") != CURLE_OK ||
        curl_easy_setopt(m_curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") != CURLE_OK) {
        curl_easy_cleanup(m_curl);
        throw std::runtime_error("libcurl cannot be limited to http, https and file addresses");
    }
    curl_easy_setopt(m_curl, CURLOPT_ACCEPT_ENCODING, "gzip, deflate");
    curl_easy_setopt(m_curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(m_curl, CURLOPT_WRITEFUNCTION, writeBody);
    curl_easy_setopt(m_curl, CURLOPT_XFERINFOFUNCTION, checkAbort);
    curl_easy_setopt(m_curl, CURLOPT_XFERINFODATA, &m_abortCheck);
    curl_easy_setopt(m_curl, CURLOPT_NOPROGRESS, 0L);
    applySettings();
}

CurlDownloader::~CurlDownloader()
{
    curl_easy_cleanup(m_curl);
}

void CurlDownloader::applySettings()
{
    curl_easy_setopt(m_curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(m_settings.connectTimeout.count()));
    curl_easy_setopt(m_curl, CURLOPT_TIMEOUT_MS, static_cast<long>(m_settings.timeout.count()));
    // Refuses a body whose announced length is too large before any of it arrives.
    curl_easy_setopt(m_curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(m_settings.maxBodyBytes));
}

void CurlDownloader::setAbortCheck(std::function<bool()> check)
{
    m_abortCheck = std::move(check);
}

void CurlDownloader::setTimeout(std::chrono::milliseconds timeout)
{
    m_settings.timeout = timeout;
    applySettings();
}

void CurlDownloader::setMaxBodyBytes(std::uint64_t bytes)
{
    m_settings.maxBodyBytes = bytes;
    applySettings();
}

DownloadResult CurlDownloader::download(const std::string& url, const std::string& path)
{
    PartFile part(path);
    if (!part.open()) {
        return failure(CURLE_WRITE_ERROR,
                       "cannot create a temporary file beside " + path + ": " + errorText(part.error()));
    }
    Transfer transfer;
    transfer.file = part.file();
    transfer.limit = m_settings.maxBodyBytes;

    char message[CURL_ERROR_SIZE] = "";
    const std::string address = escapeUrl(url);
    curl_easy_setopt(m_curl, CURLOPT_URL, address.c_str());
    curl_easy_setopt(m_curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(m_curl, CURLOPT_ERRORBUFFER, message);
    const CURLcode code = curl_easy_perform(m_curl);
    curl_easy_setopt(m_curl, CURLOPT_ERRORBUFFER, nullptr);

    if (transfer.tooBig || code == CURLE_FILESIZE_EXCEEDED) {
        return failure(CURLE_FILESIZE_EXCEEDED,
                       "the body is larger than " + std::to_string(m_settings.maxBodyBytes) + " bytes");
    }
    if (transfer.writeError != 0) {
        return failure(CURLE_WRITE_ERROR, "cannot write " + part.path() + ": " + errorText(transfer.writeError));
    }
    if (code == CURLE_HTTP_RETURNED_ERROR) {
        long httpStatus = 0;
        curl_easy_getinfo(m_curl, CURLINFO_RESPONSE_CODE, &httpStatus);
        return failure(httpStatus >= 400 ? static_cast<int>(httpStatus) : code, httpStatusText(httpStatus));
    }
    if (code != CURLE_OK) {
        return failure(code, message[0] != '\0' ? message : curl_easy_strerror(code));
    }

    DownloadResult result;
    char* contentType = nullptr;
    if (curl_easy_getinfo(m_curl, CURLINFO_CONTENT_TYPE, &contentType) == CURLE_OK && contentType) {
        result.contentType = contentType;
    }
    if (!part.commit(path)) {
        return failure(CURLE_WRITE_ERROR,
                       "cannot put the download in place as " + path + ": " + errorText(part.error()));
    }
    return result;
}

} // namespace vz::platform
