#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/page_converter.h"

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

} // namespace vz::platform
