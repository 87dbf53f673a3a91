#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "platform/zip_archive.h"
#include "run/reporter.h"
#include "run/run_state.h"

namespace vz::gather {

/// What a book says about itself.
struct BookInfo
{
    std::u16string title;
    std::u16string identifier;   ///< "urn:uuid:...", the same for the same site list and day
    platform::DateTime day;      ///< the day it gathers, as the pages date it
    platform::DateTime modified; ///< UTC
};

/// The book of one run: a chapter per site whose page was written, in the order of the site
/// list, each article a section under its headline. It is made of the same allowlisted articles
/// the pages are, written again as XHTML, so it holds nothing the pages could not.
class EpubBook
{
public:
    /// `dataPath` is where the articles' kept pictures ("pix/00012.gif") are; `vertical` sets the
    /// text top to bottom and the pages right to left.
    EpubBook(std::u16string dataPath, bool vertical);

    void beginSite(const std::u16string& name);
    /// An article as it went to the site page; `plainText` for a site that keeps no markup.
    void addArticle(std::u16string_view article, bool plainText);
    /// The site is done; `kept` false when its page could not be written, and its chapter goes too.
    void endSite(bool kept);

    /// Articles in the chapters kept so far.
    int articleCount() const;

    /// The book's files, in the order the format wants them.
    std::vector<platform::ZipEntry> files(const BookInfo& info) const;

    /// Pictures that could not go into the book, with why: read or not a kind e-books take.
    const std::vector<std::u16string>& leftOutPictures() const { return m_leftOut; }

private:
    struct Article
    {
        std::u16string headline;
        std::string body;                     ///< XHTML, UTF-8
        std::vector<std::u16string> pictures; ///< the kept pictures it shows
    };
    struct Chapter
    {
        std::u16string name;
        std::vector<Article> articles;
    };
    struct Picture
    {
        std::u16string name; ///< in the book
        std::string mediaType;
        std::string bytes;
    };

    std::optional<std::u16string> picture(std::u16string_view src);
    std::string chapterFile(const Chapter& chapter) const;
    std::vector<std::u16string> usedPictures() const;
    std::string navigation(const BookInfo& info) const;
    std::string package(const BookInfo& info) const;

    std::u16string m_dataPath;
    bool m_vertical;
    std::vector<Chapter> m_chapters;
    std::optional<Chapter> m_site;
    /// Kept pictures by the address the articles give them; nothing for one left out.
    std::map<std::u16string, std::optional<Picture>, std::less<>> m_pictures;
    std::set<std::u16string> m_pictureNames;
    std::vector<std::u16string> m_leftOut;
};

/// The book's file name in the data folder: "vodeZeva-2026-12-07.epub".
std::u16string bookFileName(const platform::DateTime& day);

/// Title, identifier and dates of the book of a site list file on a day.
BookInfo bookInfo(const std::u16string& siteListPath, const platform::DateTime& day,
                  const platform::DateTime& modifiedUtc);

/// Books larger than this are refused by the mail services that send books to readers.
inline constexpr std::size_t kLargeBookBytes = 50u * 1024u * 1024u;

/// Writes the book into the data folder, through a temporary file beside it, and reports it: a
/// book over kLargeBookBytes, pictures left out. With no article there is no book. A book that
/// cannot be written is reported as such and any earlier one stays.
void MakeEpub(const run::RunState& state, const EpubBook& book, const BookInfo& info, run::Reporter& reporter,
              std::size_t largeBook = kLargeBookBytes);

} // namespace vz::gather
