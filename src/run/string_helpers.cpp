#include "string_helpers.h"

#include <cmath>
#include <limits>
#include <string>

#include "platform/cp932.h"
#include "run/text.h"

namespace vz::run {

std::u16string NextField(std::u16string& line)
{
    const auto tab = line.find(u'\t');
    if (tab == std::u16string::npos) {
        std::u16string field = text::Trim(line);
        line.clear();
        return field;
    }
    std::u16string field = text::Trim(std::u16string_view(line).substr(0, tab));
    line.erase(0, tab + 1);
    return field;
}

std::int32_t CountMatches(std::u16string_view text, std::u16string_view pattern)
{
    const std::u16string lower = text::LCase(text);
    if (pattern.empty()) {
        // An empty pattern occurs at every remaining position of a non-empty rest.
        return static_cast<std::int32_t>(lower.size());
    }
    std::int32_t count = 0;
    std::size_t from = 0;
    while (from < lower.size()) {
        const auto at = lower.find(pattern, from);
        if (at == std::u16string::npos) {
            break;
        }
        ++count;
        from = at + 1;
    }
    return count;
}

std::u16string VisibleChars(std::u16string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    for (char16_t c : text) {
        const int code = platform::cp932Code(c);
        if (code < 0 || code > 32) {
            out += c;
        }
    }
    return out;
}

std::u16string FileNameOnly(std::u16string_view path)
{
    const std::u16string trimmed = text::Trim(path);
    const auto slash = trimmed.rfind(u'/');
    return slash == std::u16string::npos ? trimmed : trimmed.substr(slash + 1);
}

std::u16string withFolderEnd(std::u16string path)
{
    if (path.empty() || path.back() != u'/') {
        path += u'/';
    }
    return path;
}

namespace {

/// A decimal number (sign, digits, one point) read from `from`; `end` is left just after it.
/// Blanks and TABs between the digits are passed over when `blanksInside` is set.
struct Scanned
{
    std::string digits;
    bool any = false;
    std::size_t end = 0;
};

Scanned scanNumber(std::u16string_view text, std::size_t from, bool blanksInside)
{
    Scanned s;
    std::size_t i = from;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        s.digits += static_cast<char>(text[i++]);
    }
    bool point = false;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= u'0' && c <= u'9') {
            s.digits += static_cast<char>(c);
            s.any = true;
        } else if (c == u'.' && !point) {
            s.digits += '.';
            point = true;
        } else if (!blanksInside || (c != u' ' && c != u'\t')) {
            break;
        }
    }
    s.end = i;
    return s;
}

} // namespace

double Val(std::u16string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t' || text[i] == u'\n' || text[i] == u'\r')) {
        ++i;
    }
    const Scanned s = scanNumber(text, i, true);
    return s.any ? std::strtod(s.digits.c_str(), nullptr) : 0.0;
}

std::int16_t roundToInt16(double value)
{
    const double r = std::nearbyint(value); // the default rounding mode rounds half to even
    if (r > std::numeric_limits<std::int16_t>::max()) {
        return std::numeric_limits<std::int16_t>::max();
    }
    if (r < std::numeric_limits<std::int16_t>::min()) {
        return std::numeric_limits<std::int16_t>::min();
    }
    return static_cast<std::int16_t>(r);
}

Int16Result CInt(std::u16string_view input)
{
    const std::u16string t = text::Trim(input);
    Int16Result result;
    const Scanned s = scanNumber(t, 0, false);
    if (!s.any || s.end != t.size()) {
        result.error = u"型が一致しません。";
        return result;
    }
    const double r = std::nearbyint(std::strtod(s.digits.c_str(), nullptr));
    if (r > std::numeric_limits<std::int16_t>::max() || r < std::numeric_limits<std::int16_t>::min()) {
        result.error = u"オーバーフローしました。";
        return result;
    }
    result.value = static_cast<std::int16_t>(r);
    return result;
}

} // namespace vz::run
