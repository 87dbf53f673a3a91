#pragma once

#include <string>
#include <string_view>

#include "platform/page_encoding.h"

/// Reading fetched pages: whatever encoding a page arrives in, the text comes out as it reads
/// once written as CP932, the encoding of every output page.
namespace vz::platform {

/// Converts the bytes of a page. A byte order mark decides first; then a charset declared by
/// the server (`declaredCharset`, the value of the Content-Type header's charset parameter)
/// or by the page's meta tag is used when the bytes are valid in it; otherwise the encoding is
/// detected among ISO-2022-JP, UTF-8, CP932 and EUC-JP. A declared single-byte charset, in which
/// any bytes are valid, gives way to a reading that is clearly Japanese text; a declared Japanese
/// encoding gives way to another only when the page reads as plain Japanese there and mostly as
/// half-width kana and odd symbols in the declared one. Never fails: garbage gives stand-ins.
ConvertedPage convertPage(std::string_view bytes, std::string_view declaredCharset = {});

/// As convertPage, taking the bytes over: those of a large page are given back to the system as
/// they are decoded, so that the page is never held whole both as bytes and as text.
ConvertedPage convertPageReleasing(std::string bytes, std::string_view declaredCharset = {});

} // namespace vz::platform
