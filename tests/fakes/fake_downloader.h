#pragma once

#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "platform/downloader.h"

namespace vz::test {

/// Serves the bytes of the addresses it was given and fails every other address, recording
/// what was asked.
class FakeDownloader : public platform::Downloader
{
public:
    platform::DownloadResult download(const std::string& url, const std::string& path) override
    {
        requested.push_back(url);
        const auto found = resources.find(url);
        if (found == resources.end()) {
            return {404, "", "not found: " + url};
        }
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        if (!(out << found->second << std::flush)) {
            return {1, "", "cannot write " + path};
        }
        return {0, "image/gif", ""};
    }

    /// Address -> bytes.
    std::map<std::string, std::string> resources;
    std::vector<std::string> requested;
};

} // namespace vz::test
