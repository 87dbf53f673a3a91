#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "extract/extract_context.h"
#include "run/text.h"

namespace vz::test {

/// Keeps the pictures it was given bytes for, by the first address that has them, numbering them
/// as the run does without writing anything; records every address asked for.
class FakePictureKeeper : public extract::PictureKeeper
{
public:
    void prepare() override { ++prepared; }

    std::u16string keep(const std::vector<std::u16string>& tries, std::u16string_view extension,
                        std::int32_t minPix) override
    {
        for (const std::u16string& address : tries) {
            requested.push_back(text::toUtf8(address));
            const auto found = resources.find(requested.back());
            if (found == resources.end()) {
                continue;
            }
            if (minPix >= 0 && found->second.size() <= static_cast<std::size_t>(minPix)) {
                return {};
            }
            return u"<img src=\"pix/" + text::zeroPadded(PictureNumber++, 5) + std::u16string(extension) + u"\"> <br>";
        }
        return {};
    }

    /// Address -> bytes.
    std::map<std::string, std::string> resources;
    std::vector<std::string> requested;
    int prepared = 0;
    std::int32_t PictureNumber = 0;
};

} // namespace vz::test
