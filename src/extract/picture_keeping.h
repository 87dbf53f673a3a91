#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "extract/extract_context.h"

namespace vz::extract {

/// Hands every picture the text refers to to the context's picture keeper, in order, and
/// replaces each picture's tag by what the keeper returns (a tag pointing at the local copy
/// followed by a break, or nothing for a dropped picture). `minPix` 0 means 256 and is set so in
/// the caller's variable as well.
std::u16string KeepPix(ExtractContext& ctx, std::u16string_view text, std::u16string_view ServerAddressHeader,
                       std::u16string_view articleAddress, std::int32_t& minPix);
/// KeepPix on the text's own storage: a large article is not held twice.
void keepPixInPlace(ExtractContext& ctx, std::u16string& text, std::u16string_view ServerAddressHeader,
                    std::u16string_view articleAddress, std::int32_t& minPix);

/// One picture tag of a text: where it begins, where the text resumes after it, and the address
/// it names (empty when none).
struct PictureTag
{
    std::size_t begin = 0;
    std::size_t resume = 0;
    std::u16string address;
};

/// Every picture tag of the text, in order, cut where KeepPix cuts them.
std::vector<PictureTag> findPictures(std::u16string_view text);

/// The addresses a picture is fetched from, in order: the address joined onto the site's base,
/// then onto the article's folder, then as it stands; an absolute address only as it stands.
std::vector<std::u16string> pictureTries(std::u16string_view address, std::u16string_view ServerAddressHeader,
                                         std::u16string_view articleAddress);

/// The picture address a picture tag names (the tag from "<img" up to, not including, its ">"):
/// the quoted value after "src=", trimmed. Empty when the tag names none.
std::u16string pictureAddress(std::u16string_view tag);

/// The name ending a kept picture is stored under: the address's file name from its first "."
/// on (the whole name when it has none), with every character but ASCII letters, digits, ".",
/// "_" and "-" turned into "_" so the name is safe in a folder and in an attribute.
std::u16string PictureExtension(std::u16string_view address);

/// Whether an address begins with a scheme ("http:", "https:", "data:"), so no base applies.
bool hasScheme(std::u16string_view address);

} // namespace vz::extract
