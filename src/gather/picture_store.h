#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "extract/extract_context.h"
#include "gather/page_fetch.h"
#include "run/reporter.h"

namespace vz::gather {

/// What the pictures of one article may cost, so that a page naming thousands of pictures, or
/// pictures on a server that never answers, costs the run seconds rather than hours.
struct PictureLimits
{
    /// Pictures of one article that are fetched; the ones after them are left out.
    int perArticle = 100;
    /// Addresses tried for one picture: the distinct ones that may be fetched, in order.
    int triesPerPicture = 2;
    /// Time for all the pictures of one article, counted from its first picture.
    std::chrono::milliseconds perArticleTime{30000};
};

/// What became of one picture an article names.
struct PictureSeen
{
    std::u16string address;           ///< the first address tried
    std::optional<std::size_t> bytes; ///< its size, when it was fetched
    bool kept = false;
    std::u16string why; ///< why it was left out, in words
};

/// Keeps pictures in the "pix/" folder of the data folder under the running PictureNumber.
class PictureStore final : public extract::PictureKeeper
{
public:
    PictureStore(run::Reporter& reporter, const std::u16string& DataPath, std::int32_t& PictureNumber,
                 PageFetcher& fetcher, PictureLimits limits = {});

    /// From now on every picture is fetched and decided on as always, and told to `seen`, but no
    /// file or folder is made or removed: for trying a site without touching its data folder.
    void measureOnly(std::vector<PictureSeen>& seen) { m_seen = &seen; }

    /// The pictures kept from now on belong to `article`, and its limits start afresh.
    void beginArticle(const std::u16string& article);
    /// The article's pictures are done: what was left out or could not be stored is reported, and
    /// what was fetched ahead for it is dropped.
    void endArticle();

    /// Creates the folder when it is missing and reports that it did.
    void prepare() override;
    std::u16string keep(const std::vector<std::u16string>& tries, std::u16string_view extension,
                        std::int32_t minPix) override;

private:
    std::u16string folder() const { return m_DataPath + u"pix/"; }
    std::optional<std::string> fetch(const std::vector<std::u16string>& tries);

    run::Reporter& m_reporter;
    const std::u16string& m_DataPath;
    std::int32_t& m_PictureNumber;
    PageFetcher& m_fetcher;
    PictureLimits m_limits;

    std::u16string m_article;
    int m_tried = 0;
    int m_leftOut = 0;
    int m_unstored = 0;
    std::u16string m_unstoredCause;
    std::optional<std::chrono::steady_clock::time_point> m_giveUpAt;
    std::vector<PictureSeen>* m_seen = nullptr;
};

} // namespace vz::gather
