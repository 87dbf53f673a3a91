#include "text.h"

#include <algorithm>
#include <cstdint>

#include <unicode/ustring.h>

namespace vz::text {

Str Left(View s, std::ptrdiff_t n)
{
    if (n <= 0) {
        return {};
    }
    return Str(s.substr(0, static_cast<std::size_t>(std::min(n, Len(s)))));
}

Str Right(View s, std::ptrdiff_t n)
{
    if (n <= 0) {
        return {};
    }
    const std::ptrdiff_t take = std::min(n, Len(s));
    return Str(s.substr(static_cast<std::size_t>(Len(s) - take)));
}

Str Mid(View s, std::ptrdiff_t p)
{
    return Mid(s, p, Len(s));
}

Str Mid(View s, std::ptrdiff_t p, std::ptrdiff_t n)
{
    if (p < 1) {
        p = 1;
    }
    if (n <= 0 || p > Len(s)) {
        return {};
    }
    const auto from = static_cast<std::size_t>(p - 1);
    return Str(s.substr(from, static_cast<std::size_t>(std::min(n, Len(s) - (p - 1)))));
}

std::ptrdiff_t InStr(std::ptrdiff_t start, View s, View find)
{
    if (start < 1) {
        start = 1;
    }
    if (s.empty() || start > Len(s)) {
        return 0;
    }
    if (find.empty()) {
        return start;
    }
    const auto at = s.find(find, static_cast<std::size_t>(start - 1));
    return at == View::npos ? 0 : static_cast<std::ptrdiff_t>(at) + 1;
}

std::ptrdiff_t InStrLowered(View s, View lowerFind)
{
    const auto at = std::search(s.begin(), s.end(), lowerFind.begin(), lowerFind.end(),
                                [](char16_t a, char16_t b) { return LCaseChar(a) == b; });
    return at == s.end() ? 0 : (at - s.begin()) + 1;
}

char16_t LCaseChar(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
}

Str LCase(View s)
{
    Str out(s);
    for (auto& c : out) {
        c = LCaseChar(c);
    }
    return out;
}

Str Trim(View s)
{
    const auto first = s.find_first_not_of(u' ');
    if (first == View::npos) {
        return {};
    }
    const auto last = s.find_last_not_of(u' ');
    return Str(s.substr(first, last - first + 1));
}

Str u(std::string_view utf8)
{
    return fromUtf8(utf8);
}

// ICU does the UTF conversions, as it does for pages, so there is one decoder to trust. Neither
// direction can outgrow these buffers: a UTF-16 unit takes at most three UTF-8 bytes (a surrogate
// pair four), a UTF-8 byte gives at most one UTF-16 unit.
std::string toUtf8(View s)
{
    std::string out(s.size() * 3, '\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &length, s.data(), static_cast<int32_t>(s.size()),
                       0xFFFD, nullptr, &status);
    out.resize(U_SUCCESS(status) ? static_cast<std::size_t>(length) : 0);
    return out;
}

Str fromUtf8(std::string_view s)
{
    Str out(s.size(), u'\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &length, s.data(),
                         static_cast<int32_t>(s.size()), 0xFFFD, nullptr, &status);
    out.resize(U_SUCCESS(status) ? static_cast<std::size_t>(length) : 0);
    return out;
}

std::filesystem::path toPath(View s)
{
    return std::filesystem::path(toUtf8(s));
}

Str fromPath(const std::filesystem::path& p)
{
    return fromUtf8(p.string());
}

Str number(long long n)
{
    return u(std::to_string(n));
}

Str zeroPadded(long long n, int width)
{
    std::string digits = std::to_string(n < 0 ? -n : n);
    if (static_cast<int>(digits.size()) < width) {
        digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
    }
    return u((n < 0 ? "-" : "") + digits);
}

} // namespace vz::text
