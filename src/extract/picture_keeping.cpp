#include "picture_keeping.h"

#include <array>
#include <cstddef>

#include "extract/in_place_writer.h"
#include "extract/index_cutting.h"
#include "extract/next_occurrence.h"
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

std::vector<std::u16string> pictureTries(std::u16string_view address, std::u16string_view ServerAddressHeader,
                                         std::u16string_view articleAddress)
{
    // An absolute address is fetched as it is: glued onto a base it would reach a server that
    // may answer any path with a page, which would then be stored as the picture.
    std::vector<std::u16string> tries;
    if (!hasScheme(address)) {
        const auto slash = articleAddress.rfind(u'/');
        const std::u16string_view articleFolder =
            slash == none ? std::u16string_view() : articleAddress.substr(0, slash + 1);
        tries.push_back(MergeAddress(ServerAddressHeader, address));
        tries.push_back(MergeAddress(articleFolder, address));
    }
    tries.emplace_back(address);
    return tries;
}

std::vector<PictureTag> findPictures(std::u16string_view text)
{
    std::vector<PictureTag> tags;
    std::size_t read = 0;
    for (std::size_t p = findLowered(text, u"<img"); p != none; p = findLowered(text, u"<img", read)) {
        const std::size_t tagEnd = text.find(u'>', p);
        if (tagEnd == none) {
            break; // an unfinished tag names no picture; the rest stays as it is
        }
        // The text resumes after the first ">" ten characters on, which may lie beyond the tag's
        // own; when there is none, after the tag.
        const std::size_t resume = text.find(u'>', p + 10);
        read = (resume == none ? tagEnd : resume) + 1;
        tags.push_back(PictureTag{p, read, pictureAddress(text.substr(p, tagEnd - p))});
    }
    return tags;
}

std::u16string KeepPix(ExtractContext& ctx, std::u16string_view text, std::u16string_view ServerAddressHeader,
                       std::u16string_view articleAddress, std::int32_t& minPix)
{
    std::u16string out(text);
    keepPixInPlace(ctx, out, ServerAddressHeader, articleAddress, minPix);
    return out;
}

void keepPixInPlace(ExtractContext& ctx, std::u16string& text, std::u16string_view ServerAddressHeader,
                    std::u16string_view articleAddress, std::int32_t& minPix)
{
    ctx.pictures.prepare();
    if (minPix == 0) {
        minPix = 256;
    }
    const std::vector<PictureTag> tags = findPictures(text);
    InPlaceWriter out(text);
    for (const PictureTag& tag : tags) {
        out.keep(tag.begin - out.readPosition());
        out.skip(tag.resume - tag.begin);
        if (!tag.address.empty()) {
            out.put(ctx.pictures.keep(pictureTries(tag.address, ServerAddressHeader, articleAddress),
                                      PictureExtension(tag.address), minPix));
        }
    }
    out.finish();
}

} // namespace vz::extract
