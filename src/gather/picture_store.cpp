#include "picture_store.h"

#include <filesystem>
#include <system_error>

#include "run/file_helpers.h"
#include "run/text.h"
#include "run/text_file.h"

namespace vz::gather {

PictureStore::PictureStore(run::Reporter& reporter, const std::u16string& DataPath, std::int32_t& PictureNumber,
                           PageFetcher& fetcher)
    : m_reporter(reporter), m_DataPath(DataPath), m_PictureNumber(PictureNumber), m_fetcher(fetcher)
{
}

void PictureStore::prepare()
{
    const std::u16string pix = folder();
    if (!run::DirExists(m_reporter, pix)) {
        run::DirCreate(m_reporter, pix);
        m_reporter.DispErr(u"ディレクトリを作成しました。", pix, u"", u"KeepPix");
    }
}

std::u16string PictureStore::keep(const std::vector<std::u16string>& tries, std::u16string_view extension,
                                  std::int32_t minPix)
{
    std::optional<std::string> bytes;
    for (const std::u16string& address : tries) {
        if ((bytes = m_fetcher.fetchPicture(address))) {
            break;
        }
    }
    if (!bytes) {
        return {};
    }
    const std::u16string name = text::zeroPadded(m_PictureNumber, 5) + std::u16string(extension);
    const std::filesystem::path local = text::toPath(folder() + name);
    if (minPix >= 0 && bytes->size() <= static_cast<std::uintmax_t>(minPix)) {
        // Too small to keep; a file of that name from an earlier start of the program goes, as
        // it would have been overwritten and then deleted.
        std::error_code ignored;
        std::filesystem::remove(local, ignored);
        return {};
    }
    std::string error;
    // A new file in a folder of its own: nothing is replaced, so it is written in place.
    if (!run::writeFileBytes(local, run::WriteMode::Replace, *bytes, error)) {
        std::error_code ignored;
        std::filesystem::remove(local, ignored);
        return {}; // a picture that cannot be stored is dropped like one that cannot be fetched
    }
    ++m_PictureNumber;
    return u"<img src=\"pix/" + name + u"\"> <br>";
}

} // namespace vz::gather
