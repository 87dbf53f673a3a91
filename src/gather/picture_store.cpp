#include "picture_store.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "run/file_helpers.h"
#include "run/text.h"
#include "run/text_file.h"

namespace vz::gather {

PictureStore::PictureStore(run::Reporter& reporter, const std::u16string& DataPath, std::int32_t& PictureNumber,
                           PageFetcher& fetcher, PictureLimits limits)
    : m_reporter(reporter), m_DataPath(DataPath), m_PictureNumber(PictureNumber), m_fetcher(fetcher), m_limits(limits)
{
}

void PictureStore::beginArticle(const std::u16string& article)
{
    m_article = article;
    m_tried = m_leftOut = m_unstored = 0;
    m_unstoredCause.clear();
    m_giveUpAt.reset();
}

void PictureStore::endArticle()
{
    if (m_leftOut > 0 && !m_fetcher.stopped()) {
        m_reporter.DispErr(u"画像の一部を省きました。", m_article,
                           run::because(text::number(m_leftOut) + u" 枚（1 記事につき " +
                                        text::number(m_limits.perArticle) + u" 枚、" +
                                        text::number(static_cast<long long>(m_limits.perArticleTime.count() / 1000)) +
                                        u" 秒まで）"),
                           u"KeepPix");
    }
    if (m_unstored > 0) {
        m_reporter.writeFailed(u"画像を保存できませんでした。", folder(),
                               run::because(m_unstoredCause + u"、" + text::number(m_unstored) + u" 枚"), u"KeepPix");
    }
    if (m_leftOut > 0) {
        // Only pictures cut short leave some of those fetched ahead for the article behind.
        m_fetcher.forgetPicturesOf(m_article);
    }
    beginArticle(u"");
}

void PictureStore::prepare()
{
    if (m_seen) {
        return;
    }
    const std::u16string pix = folder();
    if (!run::DirExists(m_reporter, pix)) {
        run::DirCreate(m_reporter, pix);
        m_reporter.DispErr(u"ディレクトリを作成しました。", pix, u"", u"KeepPix");
    }
}

std::optional<std::string> PictureStore::fetch(const std::vector<std::u16string>& tries)
{
    std::vector<std::u16string> tried;
    for (const std::u16string& address : tries) {
        // The same address twice (the base and the article's folder are often one) or one that is
        // never fetched costs no try.
        if (static_cast<int>(tried.size()) >= m_limits.triesPerPicture || m_fetcher.stopped()) {
            break;
        }
        if (!mayFetch(address, AddressOrigin::Page) || std::ranges::find(tried, address) != tried.end()) {
            continue;
        }
        tried.push_back(address);
        if (auto bytes = m_fetcher.fetchPicture(address, m_giveUpAt)) {
            return bytes;
        }
    }
    return std::nullopt;
}

std::u16string PictureStore::keep(const std::vector<std::u16string>& tries, std::u16string_view extension,
                                  std::int32_t minPix)
{
    PictureSeen seen{tries.empty() ? std::u16string() : tries.front(), std::nullopt, false, {}};
    const auto tell = [&](std::u16string why) {
        if (m_seen) {
            seen.why = std::move(why);
            m_seen->push_back(seen);
        }
    };
    if (m_fetcher.stopped()) {
        tell(u"中止しました");
        return {}; // the article is abandoned anyway
    }
    const auto now = std::chrono::steady_clock::now();
    if (!m_giveUpAt) {
        m_giveUpAt = now + m_limits.perArticleTime;
    }
    if (m_tried >= m_limits.perArticle || now >= *m_giveUpAt) {
        ++m_leftOut;
        tell(u"1 記事の画像の上限を超えたので省きます");
        return {};
    }
    ++m_tried;
    const std::optional<std::string> bytes = fetch(tries);
    if (!bytes) {
        if (std::chrono::steady_clock::now() >= *m_giveUpAt) {
            ++m_leftOut; // cut short by the time limit, not missing
            tell(u"1 記事の画像に使える時間を超えたので省きます");
        } else {
            tell(u"取得できません");
        }
        return {};
    }
    seen.bytes = bytes->size();
    const std::u16string name = text::zeroPadded(m_PictureNumber, 5) + std::u16string(extension);
    const std::filesystem::path local = text::toPath(folder() + name);
    if (minPix >= 0 && bytes->size() <= static_cast<std::uintmax_t>(minPix)) {
        tell(u"最小サイズ " + text::number(minPix) + u" バイト以下なので残しません");
        if (!m_seen) {
            // Too small to keep; a file of that name from an earlier start of the program goes,
            // as it would have been overwritten and then deleted.
            std::error_code ignored;
            std::filesystem::remove(local, ignored);
        }
        return {};
    }
    std::string error;
    // A new file in a folder of its own: nothing is replaced, so it is written in place.
    if (!m_seen && !run::writeFileBytes(local, run::WriteMode::Replace, *bytes, error)) {
        std::error_code ignored;
        std::filesystem::remove(local, ignored);
        ++m_unstored;
        m_unstoredCause = text::fromUtf8(error);
        return {}; // dropped like one that cannot be fetched, and reported with the article
    }
    seen.kept = true;
    tell({});
    ++m_PictureNumber;
    return u"<img src=\"pix/" + name + u"\"> <br>";
}

} // namespace vz::gather
