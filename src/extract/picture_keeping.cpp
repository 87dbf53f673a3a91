#include "picture_keeping.h"

#include <array>
#include <cstddef>

#include "extract/index_cutting.h"
#include "platform/url_policy.h"
#include "run/file_helpers.h"
#include "run/text.h"

namespace vz::extract {

namespace {

constexpr auto none = std::u16string_view::npos;

bool isAsciiLetter(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isAsciiDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

bool isBlankOrControl(char16_t c)
{
    return c <= u' ';
}

// A value written without quotes (src=a.gif): from after "src=" to the next blank.
std::u16string unquotedAddress(std::u16string_view tag, std::size_t afterSrc)
{
    std::size_t i = afterSrc;
    while (i < tag.size() && isBlankOrControl(tag[i])) {
        ++i;
    }
    if (i >= tag.size() || tag[i] != u'=') {
        return {};
    }
    ++i;
    while (i < tag.size() && isBlankOrControl(tag[i])) {
        ++i;
    }
    std::size_t end = i;
    while (end < tag.size() && !isBlankOrControl(tag[end])) {
        ++end;
    }
    return std::u16string(tag.substr(i, end - i));
}

} // namespace

std::u16string pictureAddress(std::u16string_view tag)
{
    const auto sp = text::InStr(text::LCase(tag), u"src");
    if (sp == 0) {
        return {};
    }
    // The value is expected to follow "src", "=" and its opening quote directly.
    const auto start = sp + 5;
    auto end = text::InStr(start, tag, u"\"");
    if (end == 0) {
        end = text::InStr(start, tag, u"'");
    }
    if (end == 0) {
        return unquotedAddress(tag, static_cast<std::size_t>(sp + 2));
    }
    return text::Trim(text::Mid(tag, start, end - start));
}

std::u16string PictureExtension(std::u16string_view address)
{
    const auto slash = address.rfind(u'/');
    const std::u16string_view name = slash == none ? address : address.substr(slash + 1);
    const auto dot = name.find(u'.');
    std::u16string extension(dot == none ? name : name.substr(dot));
    for (char16_t& c : extension) {
        if (!isAsciiLetter(c) && !isAsciiDigit(c) && c != u'.' && c != u'_' && c != u'-') {
            c = u'_';
        }
    }
    return extension;
}

bool hasScheme(std::u16string_view address)
{
    if (address.empty() || !isAsciiLetter(address.front())) {
        return false;
    }
    for (std::size_t i = 1; i < address.size(); ++i) {
        const char16_t c = address[i];
        if (c == u':') {
            return true;
        }
        if (!isAsciiLetter(c) && !isAsciiDigit(c) && c != u'+' && c != u'-' && c != u'.') {
            return false;
        }
    }
    return false;
}

std::u16string preparePictureFolder(ExtractContext& ctx)
{
    const std::u16string folder = ctx.DataPath + u"pix/";
    if (!run::DirExists(ctx.reporter, folder)) {
        run::DirCreate(ctx.reporter, folder);
        ctx.reporter.DispErr(u"ディレクトリを作成しました。", folder, u"", u"KeepPix");
    }
    return folder;
}

std::u16string keepPicture(ExtractContext& ctx, const std::u16string& folder, std::u16string_view address,
                           std::u16string_view ServerAddressHeader, std::u16string_view articleAddress,
                           std::int32_t minPix)
{
    const std::u16string name = text::zeroPadded(ctx.PictureNumber, 5) + PictureExtension(address);
    const std::u16string local = folder + name;
    // An absolute address is fetched as it is: glued onto a base it would reach a server that
    // may answer any path with a page, which would then be stored as the picture.
    std::array<std::u16string, 3> tries;
    std::size_t count = 0;
    if (!hasScheme(address)) {
        const auto slash = articleAddress.rfind(u'/');
        const std::u16string_view articleFolder =
            slash == none ? std::u16string_view() : articleAddress.substr(0, slash + 1);
        tries[count++] = MergeAddress(ServerAddressHeader, address);
        tries[count++] = MergeAddress(articleFolder, address);
    }
    tries[count++] = std::u16string(address);

    bool fetched = false;
    for (std::size_t k = 0; k < count && !fetched; ++k) {
        // Every try is a page's address: a "file:" one would copy a local file into the output.
        const std::string url = text::toUtf8(tries[k]);
        fetched = platform::isFetchableFromPage(url) && ctx.downloader.download(url, text::toUtf8(local)).status == 0;
    }
    if (!fetched) {
        return {};
    }
    const std::uintmax_t size = run::FileSize(ctx.reporter, local);
    if (minPix < 0 || size > static_cast<std::uintmax_t>(minPix)) {
        ++ctx.PictureNumber;
        return u"<img src=\"pix/" + name + u"\"> <br>";
    }
    run::FileDelete(ctx.reporter, local);
    return {};
}

std::u16string KeepPix(ExtractContext& ctx, std::u16string_view text, std::u16string_view ServerAddressHeader,
                       std::u16string_view articleAddress, std::int32_t& minPix)
{
    const std::u16string folder = preparePictureFolder(ctx);
    if (minPix == 0) {
        minPix = 256;
    }
    const std::u16string low = text::LCase(text);
    std::u16string out;
    out.reserve(text.size());
    std::size_t read = 0;
    for (std::size_t p = low.find(u"<img"); p != none; p = low.find(u"<img", read)) {
        const std::size_t tagEnd = text.find(u'>', p);
        if (tagEnd == none) {
            break; // an unfinished tag names no picture; the rest stays as it is
        }
        out.append(text.substr(read, p - read));
        const std::u16string address = pictureAddress(text.substr(p, tagEnd - p));
        // The text resumes after the first ">" ten characters on, which may lie beyond the tag's
        // own; when there is none, after the tag.
        const std::size_t resume = text.find(u'>', p + 10);
        read = (resume == none ? tagEnd : resume) + 1;
        if (!address.empty()) {
            out += keepPicture(ctx, folder, address, ServerAddressHeader, articleAddress, minPix);
        }
    }
    out.append(text.substr(read));
    return out;
}

} // namespace vz::extract
