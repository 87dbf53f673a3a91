#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "extract/extract_context.h"

namespace vz::extract {

/// Downloads every picture the text refers to into the "pix/" folder of the data folder, under
/// the running PictureNumber, and replaces each kept picture's tag by a tag pointing at the
/// local copy followed by a break. Pictures not larger than `minPix` bytes, or that cannot be
/// fetched, are dropped with their tags. `minPix` 0 means 256 and is set so in the caller's
/// variable as well.
std::u16string KeepPix(ExtractContext& ctx, std::u16string_view text, std::u16string_view ServerAddressHeader,
                       std::u16string_view articleAddress, std::int32_t& minPix);

/// The pieces of KeepPix, one picture at a time.

/// The picture address a picture tag names (the tag from "<img" up to, not including, its ">"):
/// the quoted value after "src=", trimmed. Empty when the tag names none.
std::u16string pictureAddress(std::u16string_view tag);

/// The name ending a kept picture is stored under: the address's file name from its first "."
/// on (the whole name when it has none), with every character but ASCII letters, digits, ".",
/// "_" and "-" turned into "_" so the name is safe in a folder and in an attribute.
std::u16string PictureExtension(std::u16string_view address);

/// Whether an address begins with a scheme ("http:", "https:", "data:"), so no base applies.
bool hasScheme(std::u16string_view address);

/// Makes sure the pictures folder exists, reporting its creation. Returns the folder.
std::u16string preparePictureFolder(ExtractContext& ctx);

/// Fetches one picture into `folder` and returns its replacement tag, or nothing when it could
/// not be fetched or was too small (its file is then deleted).
std::u16string keepPicture(ExtractContext& ctx, const std::u16string& folder, std::u16string_view address,
                           std::u16string_view ServerAddressHeader, std::u16string_view articleAddress,
                           std::int32_t minPix);

} // namespace vz::extract
