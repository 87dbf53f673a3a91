#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/icu_decoding.h"
#include "platform/japanese_scanners.h"
#include "platform/page_encoding.h"

/// Which encoding a page is read in.
///
/// Written here rather than taken from ICU's charset detector (ucsdet): that detector ranks some
/// thirty encodings by how often common byte pairs of each language occur, so a short Japanese
/// page can be taken for the wrong one of Shift_JIS and EUC-JP, and the declared charset it can
/// be given is only a hint that its detection does not use. What a page needs here is narrower
/// and must be sure: which of four Japanese encodings reads the bytes without damage, and whether
/// a declared one reads as Japanese text or as half-width kana and odd symbols. The scanners
/// answer that in one pass each, and ICU only converts. It also keeps ICU's i18n library, where
/// the detector lives, out of the program.
namespace vz::platform {

struct Choice
{
    PageEncoding encoding = PageEncoding::Ascii;
    std::string converter; // empty for ASCII
    std::size_t skip = 0;  // bytes of a byte order mark
    bool declared = false;
};

struct Decision
{
    Choice choice;
    /// Already decoded while checking a declared charset.
    std::optional<Decoded> decoded;
};

/// A byte order mark decides first, then UTF-16's zero bytes, ISO-2022-JP's escapes, the
/// server's and then the page's declared charset when the bytes bear it out, and last the
/// reading that looks most like Japanese text. `utf8`, when given, is the bytes' UTF-8 reading,
/// already made.
Decision decide(std::string_view bytes, std::string_view headerCharset, std::optional<Reading> utf8 = std::nullopt);

} // namespace vz::platform
