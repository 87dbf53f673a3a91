#pragma once

#include <cstdint>
#include <string>

#include "extract/extract_context.h"
#include "gather/page_fetch.h"
#include "run/reporter.h"

namespace vz::gather {

/// Keeps pictures in the "pix/" folder of the data folder under the running PictureNumber.
class PictureStore final : public extract::PictureKeeper
{
public:
    PictureStore(run::Reporter& reporter, const std::u16string& DataPath, std::int32_t& PictureNumber,
                 PageFetcher& fetcher);

    /// Creates the folder when it is missing and reports that it did.
    void prepare() override;
    std::u16string keep(const std::vector<std::u16string>& tries, std::u16string_view extension,
                        std::int32_t minPix) override;

private:
    std::u16string folder() const { return m_DataPath + u"pix/"; }

    run::Reporter& m_reporter;
    const std::u16string& m_DataPath;
    std::int32_t& m_PictureNumber;
    PageFetcher& m_fetcher;
};

} // namespace vz::gather
