#pragma once

#include <string>

namespace vz::platform {

struct DownloadResult
{
    /// 0 when the file was written with the resource's bytes; anything else is a failure.
    int status = 0;
    /// The Content-Type header of the response, when there was one ("text/html; charset=EUC-JP").
    std::string contentType;
    /// What went wrong, in words, when status is not 0.
    std::string description;
};

/// Downloads a URL into a local file.
class Downloader
{
public:
    virtual ~Downloader() = default;
    /// Writes the resource's bytes to `path` on success. On failure `path` is left as it was:
    /// never a partial or mixed file. `url` and `path` are UTF-8.
    virtual DownloadResult download(const std::string& url, const std::string& path) = 0;
};

} // namespace vz::platform
