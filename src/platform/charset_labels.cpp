#include "charset_labels.h"

#include <algorithm>
#include <initializer_list>

#include <unicode/ucnv.h>

#include "platform/icu_converter.h"

namespace vz::platform {
namespace {

char lowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

std::string lowered(std::string_view s)
{
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), lowerAscii);
    return out;
}

bool oneOf(const std::string& label, std::initializer_list<const char*> names)
{
    return std::any_of(names.begin(), names.end(), [&](const char* name) { return label == name; });
}

// Whether the converter reads ASCII markup as ASCII; anything else cannot be what a page whose
// meta tag or server we could read declared.
bool readsAsciiAsAscii(UConverter* cnv)
{
    static constexpr std::string_view probe = "<meta charset=\"x\"> &#;\r\n";
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setToUCallBack(cnv, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    UChar out[64];
    const int32_t n = ucnv_toUChars(cnv, out, 64, probe.data(), static_cast<int32_t>(probe.size()), &status);
    if (U_FAILURE(status) || n != static_cast<int32_t>(probe.size())) {
        return false;
    }
    for (int32_t i = 0; i < n; ++i) {
        if (out[i] != static_cast<UChar>(probe[static_cast<std::size_t>(i)])) {
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<DeclaredCharset> resolveLabel(std::string_view rawLabel)
{
    const std::string label = lowered(rawLabel);
    if (label.empty()) {
        return std::nullopt;
    }
    if (oneOf(label, {"shift_jis", "shift-jis", "sjis", "x-sjis", "ms_kanji", "csshiftjis", "windows-31j", "cp932",
                      "ms932", "x-ms-cp932"})) {
        return DeclaredCharset{PageEncoding::ShiftJis, kCp932};
    }
    if (oneOf(label, {"euc-jp", "x-euc-jp", "eucjp", "euc_jp", "cseucpkdfmtjapanese", "eucjp-win", "eucjp-ms",
                      "euc-jp-ms", "cp51932"})) {
        return DeclaredCharset{PageEncoding::EucJp, kEucJp};
    }
    if (oneOf(label, {"iso-2022-jp", "csiso2022jp", "iso-2022-jp-1", "iso-2022-jp-2", "jis"})) {
        return DeclaredCharset{PageEncoding::Iso2022Jp, kIso2022Jp};
    }
    if (oneOf(label, {"utf-8", "utf8", "unicode-1-1-utf-8"})) {
        return DeclaredCharset{PageEncoding::Utf8, kUtf8};
    }
    // Browsers read every page labelled Latin-1 or ASCII as windows-1252; so do the pages' authors.
    if (oneOf(label, {"iso-8859-1", "iso8859-1", "iso_8859-1", "latin1", "l1", "us-ascii", "ascii", "cp1252",
                      "windows-1252", "x-cp1252", "cp819", "ibm819"})) {
        return DeclaredCharset{PageEncoding::Other, "windows-1252"};
    }
    auto cnv = openConverter(label.c_str());
    if (!cnv) {
        return std::nullopt;
    }
    switch (ucnv_getType(cnv.get())) {
    case UCNV_UTF7:
    case UCNV_UTF16:
    case UCNV_UTF16_BigEndian:
    case UCNV_UTF16_LittleEndian:
    case UCNV_UTF32:
    case UCNV_UTF32_BigEndian:
    case UCNV_UTF32_LittleEndian:
        // A page whose declaration could be read as ASCII is not in these; the byte order mark
        // and the zero bytes tell UTF-16 anyway.
        return std::nullopt;
    default:
        break;
    }
    UErrorCode status = U_ZERO_ERROR;
    const std::string name = ucnv_getName(cnv.get(), &status);
    if (name.rfind("ibm-943", 0) == 0 || name.rfind("ibm-942", 0) == 0 || name.rfind("ibm-932", 0) == 0) {
        return DeclaredCharset{PageEncoding::ShiftJis, kCp932};
    }
    if (name.rfind("euc-jp", 0) == 0 || name.rfind("ibm-33722", 0) == 0 || name.rfind("ibm-954", 0) == 0) {
        return DeclaredCharset{PageEncoding::EucJp, kEucJp};
    }
    if (name.rfind("ISO_2022,locale=ja", 0) == 0) {
        return DeclaredCharset{PageEncoding::Iso2022Jp, kIso2022Jp};
    }
    if (name == "UTF-8") {
        return DeclaredCharset{PageEncoding::Utf8, kUtf8};
    }
    if (!readsAsciiAsAscii(cnv.get())) {
        return std::nullopt;
    }
    return DeclaredCharset{PageEncoding::Other, name};
}

const char* converterOf(PageEncoding e)
{
    switch (e) {
    case PageEncoding::Utf8:
        return kUtf8;
    case PageEncoding::Utf16Le:
        return "UTF-16LE";
    case PageEncoding::Utf16Be:
        return "UTF-16BE";
    case PageEncoding::ShiftJis:
        return kCp932;
    case PageEncoding::EucJp:
        return kEucJp;
    case PageEncoding::Iso2022Jp:
        return kIso2022Jp;
    default:
        return "";
    }
}

namespace {

// Label characters as they appear in headers and meta tags.
bool isLabelChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
           c == '.' || c == ':' || c == '+';
}

std::size_t findCaseless(std::string_view haystack, std::string_view needle, std::size_t from = 0)
{
    if (needle.size() > haystack.size()) {
        return std::string_view::npos;
    }
    for (std::size_t i = from; i + needle.size() <= haystack.size(); ++i) {
        std::size_t k = 0;
        while (k < needle.size() && lowerAscii(haystack[i + k]) == needle[k]) {
            ++k;
        }
        if (k == needle.size()) {
            return i;
        }
    }
    return std::string_view::npos;
}

// The label after the first "charset=" in `text` that has one.
std::string labelAfterCharset(std::string_view text)
{
    for (std::size_t at = findCaseless(text, "charset"); at != std::string_view::npos;
         at = findCaseless(text, "charset", at + 7)) {
        std::size_t p = at + 7;
        while (p < text.size() && (text[p] == ' ' || text[p] == '\t')) {
            ++p;
        }
        if (p >= text.size() || text[p] != '=') {
            continue;
        }
        ++p;
        while (p < text.size() && (text[p] == ' ' || text[p] == '\t' || text[p] == '"' || text[p] == '\'')) {
            ++p;
        }
        const std::size_t start = p;
        while (p < text.size() && isLabelChar(text[p])) {
            ++p;
        }
        if (p > start) {
            return std::string(text.substr(start, p - start));
        }
    }
    return {};
}

} // namespace

std::string charsetOfContentType(std::string_view contentType)
{
    return labelAfterCharset(contentType);
}

std::string charsetOfMetaTag(std::string_view bytes)
{
    // Browsers look no further than the page's beginning; a generous beginning, for pages that
    // put long scripts before their meta tags.
    const std::string_view head = bytes.substr(0, 64 * 1024);
    for (std::size_t at = findCaseless(head, "<meta"); at != std::string_view::npos;
         at = findCaseless(head, "<meta", at + 5)) {
        const std::size_t end = std::min(head.find('>', at), head.size());
        std::string label = labelAfterCharset(head.substr(at, end - at));
        if (!label.empty()) {
            return label;
        }
    }
    return {};
}

} // namespace vz::platform
