#include "epub_book.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "extract/tag_filters.h"
#include "extract/xhtml_markup.h"
#include "run/string_helpers.h"
#include "run/text.h"
#include "run/text_file.h"

namespace vz::gather {

namespace {

/// A kept picture is at most what one transfer may bring.
constexpr std::uintmax_t kMaxPictureBytes = 64u * 1024u * 1024u;

constexpr std::u16string_view kHeadlineOpen = u"<p><h4>";
constexpr std::u16string_view kHeadlineClose = u"</h4></p>";

std::string utf8(std::u16string_view text)
{
    return text::toUtf8(text);
}

/// Text for XML, references read as a browser reads them, nothing upright.
std::string plain(std::u16string_view text)
{
    std::u16string out;
    extract::appendXmlEscaped(out, extract::readCharacterReferences(text));
    return utf8(out);
}

std::string twoDigits(int n)
{
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02d", n);
    return buffer;
}

std::string isoDate(const platform::DateTime& t)
{
    return std::to_string(t.year) + "-" + twoDigits(t.month) + "-" + twoDigits(t.day);
}

/// The media type of a picture as its first bytes say; only the kinds every e-book reader shows.
std::optional<std::string> pictureType(const std::string& bytes)
{
    if (bytes.starts_with("GIF87a") || bytes.starts_with("GIF89a")) {
        return "image/gif";
    }
    if (bytes.starts_with("\x89PNG\r\n\x1A\n")) {
        return "image/png";
    }
    if (bytes.starts_with("\xFF\xD8\xFF")) {
        return "image/jpeg";
    }
    return std::nullopt;
}

std::u16string extensionOf(const std::string& mediaType)
{
    return mediaType == "image/gif" ? u".gif" : mediaType == "image/png" ? u".png" : u".jpg";
}

/// What a picture the book cannot take is, for the report.
std::u16string pictureKind(const std::string& bytes)
{
    if (bytes.starts_with("BM")) {
        return u"BMP";
    }
    if (bytes.size() >= 12 && bytes.starts_with("RIFF") && bytes.compare(8, 4, "WEBP") == 0) {
        return u"WebP";
    }
    if (bytes.find("<svg") != std::string::npos) {
        return u"SVG";
    }
    return u"不明な形式";
}

/// The lines of a plain-text article that hold something, blanks around them dropped.
std::vector<std::u16string> plainLines(std::u16string_view article)
{
    std::vector<std::u16string> lines;
    std::size_t from = 0;
    while (from <= article.size()) {
        std::size_t end = article.find_first_of(u"\r\n", from);
        if (end == std::u16string_view::npos) {
            end = article.size();
        }
        std::u16string line = text::Trim(article.substr(from, end - from));
        if (!line.empty()) {
            lines.push_back(std::move(line));
        }
        from = end + 1;
    }
    return lines;
}

constexpr const char* kXhtmlHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE html>\n"
                                   "<html xmlns=\"http://www.w3.org/1999/xhtml\" "
                                   "xmlns:epub=\"http://www.idpf.org/2007/ops\" xml:lang=\"ja\" lang=\"ja\">\n"
                                   "<head>\n<meta charset=\"UTF-8\"/>\n<title>";
constexpr const char* kXhtmlHeadEnd = "</title>\n<link rel=\"stylesheet\" type=\"text/css\" href=\"style.css\"/>\n"
                                      "</head>\n";

std::string chapterName(std::size_t index)
{
    return "site" + std::to_string(index + 1) + ".xhtml";
}

std::string styleSheet(bool vertical)
{
    std::string css = "@charset \"UTF-8\";\n"
                      "body { margin: 1em; line-height: 1.8; }\n"
                      "h1 { font-size: 1.4em; }\n"
                      "h2 { font-size: 1.2em; margin: 2em 0 1em 0; }\n"
                      "table { border-collapse: collapse; }\n"
                      "td, th { border: 1px solid #888; padding: 0.2em 0.4em; }\n"
                      ".center { text-align: center; }\n"
                      ".right { text-align: end; }\n";
    if (vertical) {
        // Text runs top to bottom, lines right to left; short runs of half-width letters and
        // digits stand upright in one character's space.
        css += "html { -epub-writing-mode: vertical-rl; -webkit-writing-mode: vertical-rl; "
               "writing-mode: vertical-rl; }\n"
               ".tcy { -epub-text-combine: horizontal; -webkit-text-combine: horizontal; "
               "text-combine-upright: all; }\n"
               "h2 { margin: 0 2em 0 1em; }\n"
               "img { max-height: 100%; width: auto; }\n";
    } else {
        css += "img { max-width: 100%; height: auto; }\n";
    }
    return css;
}

/// 128 bits of FNV-1a over the text, in two halves of different seeds.
std::string nameUuid(const std::string& name)
{
    std::uint64_t halves[2] = {0xCBF29CE484222325ULL, 0x84222325CBF29CE4ULL};
    for (std::uint64_t& h : halves) {
        for (const char c : name) {
            h ^= static_cast<unsigned char>(c);
            h *= 0x100000001B3ULL;
        }
    }
    unsigned char bytes[16];
    for (int i = 0; i < 8; ++i) {
        bytes[i] = static_cast<unsigned char>(halves[0] >> (56 - 8 * i));
        bytes[8 + i] = static_cast<unsigned char>(halves[1] >> (56 - 8 * i));
    }
    // A name-based identifier of the custom kind (version 8), of the usual variant.
    bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x80);
    bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);
    std::string out;
    constexpr const char* hex = "0123456789abcdef";
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) {
            out += '-';
        }
        out += hex[bytes[i] >> 4];
        out += hex[bytes[i] & 0xF];
    }
    return out;
}

} // namespace

EpubBook::EpubBook(std::u16string dataPath, bool vertical) : m_dataPath(std::move(dataPath)), m_vertical(vertical) {}

void EpubBook::beginSite(const std::u16string& name)
{
    m_site = Chapter{name, {}};
}

std::optional<std::u16string> EpubBook::picture(std::u16string_view src)
{
    const auto known = m_pictures.find(src);
    if (known != m_pictures.end()) {
        if (known->second) {
            m_site->articles.back().pictures.push_back(known->first);
            return known->second->name;
        }
        return std::nullopt;
    }
    const std::u16string key(src);
    const run::FileBytes file = run::readFileBytes(text::toPath(m_dataPath + key), kMaxPictureBytes);
    std::optional<Picture> kept;
    if (!file.bytes) {
        m_leftOut.push_back(key + u"（" + text::fromUtf8(file.error) + u"）");
    } else if (const auto type = pictureType(*file.bytes)) {
        // Named by what it is, whatever the address it came from said.
        std::u16string name = key.substr(0, key.find(u'.', 4)) + extensionOf(*type);
        if (m_pictureNames.contains(name)) {
            name = key.substr(0, key.find(u'.', 4)) + u"-" + text::number(static_cast<long long>(m_pictures.size())) +
                   extensionOf(*type);
        }
        m_pictureNames.insert(name);
        kept = Picture{name, *type, *file.bytes};
    } else {
        m_leftOut.push_back(key + u"（" + pictureKind(*file.bytes) + u"）");
    }
    const auto& stored = m_pictures.emplace(key, std::move(kept)).first->second;
    if (!stored) {
        return std::nullopt;
    }
    m_site->articles.back().pictures.push_back(key);
    return stored->name;
}

void EpubBook::addArticle(std::u16string_view article, bool plainText)
{
    if (!m_site) {
        return;
    }
    m_site->articles.push_back(Article{});
    Article& added = m_site->articles.back();
    const std::size_t number = m_site->articles.size();
    std::u16string_view body = article;
    std::u16string paragraphs;
    std::u16string headline;
    if (plainText) {
        // Its first line is the headline, each other line a paragraph; it holds no markup (its
        // "<" were all written as "&lt;"), so the paragraphs' tags are the only markup.
        const std::vector<std::u16string> lines = plainLines(article);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (i == 0) {
                headline = lines[i];
            } else {
                paragraphs += u"<p>" + lines[i] + u"</p>\n";
            }
        }
        body = paragraphs;
    } else if (article.starts_with(kHeadlineOpen)) {
        const std::size_t close = article.find(kHeadlineClose);
        if (close != std::u16string_view::npos) {
            headline = text::Trim(article.substr(kHeadlineOpen.size(), close - kHeadlineOpen.size()));
            body = article.substr(close + kHeadlineClose.size());
        }
    }
    if (text::Trim(extract::readCharacterReferences(headline)).empty()) {
        headline = u"記事 " + text::number(static_cast<long long>(number));
    }
    added.headline = headline;

    extract::XhtmlOptions options;
    options.vertical = m_vertical;
    options.picture = [this](std::u16string_view src) { return picture(src); };
    const std::u16string xhtml = extract::xhtmlFromMarkup(body, options);
    added.body = "<section id=\"a" + std::to_string(number) + "\">\n<h2>" +
                 utf8(extract::xhtmlText(headline, m_vertical)) + "</h2>\n" + utf8(xhtml) + "\n</section>\n";
}

void EpubBook::endSite(bool kept)
{
    if (m_site && kept && !m_site->articles.empty()) {
        m_chapters.push_back(std::move(*m_site));
    }
    m_site.reset();
}

int EpubBook::articleCount() const
{
    std::size_t count = 0;
    for (const Chapter& chapter : m_chapters) {
        count += chapter.articles.size();
    }
    return static_cast<int>(count);
}

std::string EpubBook::chapterFile(const Chapter& chapter) const
{
    std::string out = kXhtmlHead + plain(chapter.name) + kXhtmlHeadEnd + "<body>\n<section id=\"site\">\n<h1>" +
                      utf8(extract::xhtmlText(chapter.name, m_vertical)) + "</h1>\n";
    for (const Article& article : chapter.articles) {
        out += article.body;
    }
    return out + "</section>\n</body>\n</html>\n";
}

std::string EpubBook::navigation(const BookInfo& info) const
{
    std::string out = kXhtmlHead + plain(u"目次") + kXhtmlHeadEnd + "<body>\n<nav epub:type=\"toc\" id=\"toc\">\n<h1>" +
                      plain(info.title) + "</h1>\n<ol>\n";
    for (std::size_t c = 0; c < m_chapters.size(); ++c) {
        const std::string file = chapterName(c);
        out += "<li><a href=\"" + file + "\">" + plain(m_chapters[c].name) + "</a>\n<ol>\n";
        for (std::size_t a = 0; a < m_chapters[c].articles.size(); ++a) {
            out += "<li><a href=\"" + file + "#a" + std::to_string(a + 1) + "\">" +
                   plain(m_chapters[c].articles[a].headline) + "</a></li>\n";
        }
        out += "</ol>\n</li>\n";
    }
    return out + "</ol>\n</nav>\n</body>\n</html>\n";
}

std::string EpubBook::package(const BookInfo& info) const
{
    const platform::DateTime& m = info.modified;
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\" "
                      "unique-identifier=\"book-id\" xml:lang=\"ja\">\n"
                      "<metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n"
                      "<dc:identifier id=\"book-id\">" +
                      plain(info.identifier) + "</dc:identifier>\n<dc:title>" + plain(info.title) +
                      "</dc:title>\n<dc:language>ja</dc:language>\n<dc:date>" + isoDate(info.day) +
                      "</dc:date>\n<meta property=\"dcterms:modified\">" + isoDate(m) + "T" + twoDigits(m.hour) + ":" +
                      twoDigits(m.minute) + ":" + twoDigits(m.second) +
                      "Z</meta>\n</metadata>\n<manifest>\n"
                      "<item id=\"nav\" href=\"nav.xhtml\" media-type=\"application/xhtml+xml\" properties=\"nav\"/>\n"
                      "<item id=\"style\" href=\"style.css\" media-type=\"text/css\"/>\n";
    for (std::size_t c = 0; c < m_chapters.size(); ++c) {
        out += "<item id=\"site" + std::to_string(c + 1) + "\" href=\"" + chapterName(c) +
               "\" media-type=\"application/xhtml+xml\"/>\n";
    }
    std::size_t number = 0;
    for (const std::u16string& key : usedPictures()) {
        const Picture& p = *m_pictures.find(key)->second;
        out += "<item id=\"pix" + std::to_string(++number) + "\" href=\"" + plain(p.name) + "\" media-type=\"" +
               p.mediaType + "\"/>\n";
    }
    out += std::string("</manifest>\n<spine page-progression-direction=\"") + (m_vertical ? "rtl" : "ltr") +
           "\">\n<itemref idref=\"nav\"/>\n";
    for (std::size_t c = 0; c < m_chapters.size(); ++c) {
        out += "<itemref idref=\"site" + std::to_string(c + 1) + "\"/>\n";
    }
    return out + "</spine>\n</package>\n";
}

std::vector<std::u16string> EpubBook::usedPictures() const
{
    // Only what the kept chapters show: a chapter that was dropped takes its pictures with it.
    std::vector<std::u16string> used;
    for (const Chapter& chapter : m_chapters) {
        for (const Article& article : chapter.articles) {
            for (const std::u16string& key : article.pictures) {
                if (std::find(used.begin(), used.end(), key) == used.end()) {
                    used.push_back(key);
                }
            }
        }
    }
    return used;
}

std::vector<platform::ZipEntry> EpubBook::files(const BookInfo& info) const
{
    std::vector<platform::ZipEntry> files;
    // First, and stored, so that a reader knows the archive by its first bytes.
    files.push_back({"mimetype", "application/epub+zip", true});
    files.push_back({"META-INF/container.xml",
                     "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<container version=\"1.0\" xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\">\n"
                     "<rootfiles>\n<rootfile full-path=\"EPUB/package.opf\" "
                     "media-type=\"application/oebps-package+xml\"/>\n</rootfiles>\n</container>\n",
                     false});
    files.push_back({"EPUB/package.opf", package(info), false});
    files.push_back({"EPUB/nav.xhtml", navigation(info), false});
    files.push_back({"EPUB/style.css", styleSheet(m_vertical), false});
    for (std::size_t c = 0; c < m_chapters.size(); ++c) {
        files.push_back({"EPUB/" + chapterName(c), chapterFile(m_chapters[c]), false});
    }
    for (const std::u16string& key : usedPictures()) {
        const Picture& p = *m_pictures.find(key)->second;
        // Pictures are compressed already.
        files.push_back({"EPUB/" + utf8(p.name), p.bytes, true});
    }
    return files;
}

std::u16string bookFileName(const platform::DateTime& day)
{
    return u"vodeZeva-" + text::fromUtf8(isoDate(day)) + u".epub";
}

BookInfo bookInfo(const std::u16string& siteListPath, const platform::DateTime& day,
                  const platform::DateTime& modifiedUtc)
{
    std::u16string name = run::FileNameOnly(siteListPath);
    if (text::LCase(text::Right(name, 4)) == u".ini") {
        name = text::Left(name, text::Len(name) - 4);
    }
    BookInfo info;
    info.title = run::shortDateText(day) + (name.empty() ? u"" : u" " + name);
    info.identifier = u"urn:uuid:" + text::fromUtf8(nameUuid(utf8(siteListPath) + "\n" + isoDate(day)));
    info.day = day;
    info.modified = modifiedUtc;
    return info;
}

void MakeEpub(const run::RunState& state, const EpubBook& book, const BookInfo& info, run::Reporter& reporter,
              std::size_t largeBook)
{
    const std::u16string path = state.DataPath + bookFileName(info.day);
    if (!book.leftOutPictures().empty()) {
        std::u16string list;
        for (const std::u16string& picture : book.leftOutPictures()) {
            list += (list.empty() ? u"" : u"、") + picture;
        }
        reporter.DispErr(u"EPUB に入れられない画像を省きました。", path, run::because(list), u"MakeEpub");
    }
    if (book.articleCount() == 0) {
        reporter.DispErr(u"収集した記事がないため、EPUB は作りませんでした。", path, u"", u"MakeEpub");
        return;
    }
    std::string error;
    const auto bytes = platform::zipArchive(book.files(info), platform::toEpoch(info.modified), error);
    if (!bytes || !run::writeFileAtomic(text::toPath(path), *bytes, error, run::Durability::Unsynced)) {
        reporter.writeFailed(u"EPUB を書き込めませんでした。", path, run::because(text::fromUtf8(error)), u"MakeEpub");
        return;
    }
    reporter.DispErr(u"EPUBを作成しました。", path, run::because(u"記事 " + text::number(book.articleCount()) + u" 本"),
                     u"MakeEpub");
    if (bytes->size() > largeBook) {
        reporter.DispErr(u"EPUB が 50 MB を超えました。メールで端末に送るサービスは受け取りません。", path,
                         run::because(text::number(static_cast<long long>(bytes->size() / (1024 * 1024))) + u" MB"),
                         u"MakeEpub");
    }
}

} // namespace vz::gather
