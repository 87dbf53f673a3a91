#include "text.h"

#include <algorithm>

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

std::string toUtf8(View s)
{
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        char32_t cp = s[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

Str fromUtf8(std::string_view s)
{
    Str out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        char32_t cp = 0xFFFD;
        std::size_t extra = 0;
        char32_t minimum = 0;
        if (b < 0x80) {
            cp = b;
        } else if ((b & 0xE0) == 0xC0) {
            cp = b & 0x1F;
            extra = 1;
            minimum = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            cp = b & 0x0F;
            extra = 2;
            minimum = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            cp = b & 0x07;
            extra = 3;
            minimum = 0x10000;
        }
        bool ok = b < 0x80 || extra > 0;
        std::size_t used = 1;
        for (std::size_t k = 1; ok && k <= extra; ++k) {
            if (i + k >= s.size() || (static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
            used = k + 1;
        }
        if (ok && extra > 0 && (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) {
            ok = false;
        }
        if (!ok) {
            cp = 0xFFFD;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i += ok ? used : 1;
    }
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
