#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/page_encoding.h"

/// Charset names: the converters pages are read with, and the labels servers and pages declare.
namespace vz::platform {

inline constexpr const char* kUtf8 = "UTF-8";
inline constexpr const char* kCp932 = "windows-31j";
inline constexpr const char* kEucJp = "EUC-JP";
/// The -2 variant reads every escape the plain one does and JIS X 0212 besides.
inline constexpr const char* kIso2022Jp = "ISO-2022-JP-2";

/// The converter a Japanese or Unicode encoding is read with; empty for ASCII and Other.
const char* converterOf(PageEncoding encoding);

struct DeclaredCharset
{
    PageEncoding encoding;
    std::string converter;
};

/// What a declared label means, when it names a charset that reads ASCII markup as ASCII.
std::optional<DeclaredCharset> resolveLabel(std::string_view rawLabel);

/// The charset parameter of a Content-Type header value ("text/html; charset=EUC-JP" gives
/// "EUC-JP"); empty when there is none.
std::string charsetOfContentType(std::string_view contentType);

/// The charset a page's meta tag declares, either form (`<meta charset="utf-8">` or the
/// content-type tag); empty when the page's beginning declares none.
std::string charsetOfMetaTag(std::string_view bytes);

} // namespace vz::platform
