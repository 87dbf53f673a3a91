#include "page_converter.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include <sys/mman.h>
#include <unistd.h>

#include "platform/charset_labels.h"
#include "platform/cp932_reading.h"
#include "platform/encoding_decision.h"
#include "platform/japanese_scanners.h"
#include "platform/icu_decoding.h"

namespace vz::platform {

namespace {

// Pages below this are decoded with their bytes held; above it the bytes decoded so far are given
// back as decoding goes on.
constexpr std::size_t kReleaseFrom = 1024 * 1024;

// Gives the whole memory pages of `bytes` below a point back to the system; what was there reads
// as zeros afterwards, so nothing may read the bytes behind the point again.
class Releaser
{
public:
    explicit Releaser(std::string_view bytes) : m_bytes(bytes) {}

    void before(std::size_t point)
    {
        static const auto pageSize = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
        const auto start = reinterpret_cast<std::uintptr_t>(m_bytes.data());
        const std::uintptr_t first = (start + pageSize - 1) / pageSize * pageSize;
        const std::uintptr_t end = (start + std::min(point, m_bytes.size())) / pageSize * pageSize;
        const std::uintptr_t from = std::max(first, m_releasedTo);
        if (end > from) {
            ::madvise(reinterpret_cast<void*>(from), end - from, MADV_DONTNEED);
            m_releasedTo = end;
        }
    }

private:
    std::string_view m_bytes;
    std::uintptr_t m_releasedTo = 0;
};

// Whether the server or the page's meta tag says UTF-8, and no byte order mark says otherwise.
bool saysUtf8(std::string_view bytes, std::string_view declaredCharset)
{
    const auto isUtf8 = [](std::string_view label) {
        const auto declared = resolveLabel(label);
        return declared && declared->encoding == PageEncoding::Utf8;
    };
    const bool byteOrderMark =
        bytes.starts_with("\xEF\xBB\xBF") || bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF");
    return !byteOrderMark && (isUtf8(declaredCharset) || isUtf8(charsetOfMetaTag(bytes)));
}

// Reads the rest of the UTF-8 `body` from `valid` on, where a byte begins no character, as ICU
// reads it, into `page`.
void readRestOfUtf8(ConvertedPage& page, std::string_view body, std::size_t valid, const Consumed& consumed)
{
    if (valid == body.size()) {
        return;
    }
    Decoded rest;
    rest.invalid = decodeWith(kUtf8, body.substr(valid), rest.text, [&](std::size_t n) {
        if (consumed) {
            consumed(valid + n);
        }
    });
    page.invalidSequences = rest.invalid;
    page.text += asCp932Reads(std::move(rest.text), false);
}

ConvertedPage convert(std::string_view bytes, std::string_view declaredCharset, const Consumed& consumed)
{
    ConvertedPage page;
    // A page that says it is UTF-8 nearly always is: its text is read while its UTF-8 reading is
    // made for the decision, in one pass. Not while a large page's bytes are given back as they
    // are read, which must wait for the decision.
    std::optional<Reading> utf8;
    std::size_t validUtf8 = 0;
    if (!consumed && saysUtf8(bytes, declaredCharset)) {
        Reading reading;
        validUtf8 = appendUtf8AsCp932Reads(page.text, bytes, {}, &reading);
        utf8 = validUtf8 < bytes.size() ? scanUtf8(bytes, kHopeless, validUtf8, reading) : reading;
    }
    Decision decision = decide(bytes, declaredCharset, utf8);
    const Choice& choice = decision.choice;
    page.encoding = choice.encoding;
    page.charset = choice.converter;
    page.declared = choice.declared;
    if (utf8 && choice.encoding == PageEncoding::Utf8 && choice.skip == 0) {
        readRestOfUtf8(page, bytes, validUtf8, {});
        return page;
    }
    page.text.clear();
    if (decision.decoded) {
        // Decoded whole while the declared charset was checked.
        page.invalidSequences = decision.decoded->invalid;
        page.text = asCp932Reads(std::move(decision.decoded->text), false);
        return page;
    }
    const std::string_view body = bytes.substr(choice.skip);
    const Consumed fromStart = consumed ? Consumed([&](std::size_t n) { consumed(choice.skip + n); }) : Consumed();
    if (choice.converter.empty() || choice.encoding == PageEncoding::Utf8) {
        // Plain ASCII reads the same in every encoding CP932 shares it with, and as UTF-8. Valid
        // UTF-8, which nearly every page in it is, is read here in one pass; from a byte that
        // begins no character on, ICU reads the rest as it would have read the whole.
        readRestOfUtf8(page, body, appendUtf8AsCp932Reads(page.text, body, fromStart), fromStart);
        return page;
    }
    Decoded decoded;
    decoded.invalid = decodeWith(choice.converter.c_str(), body, decoded.text, fromStart);
    page.invalidSequences = decoded.invalid;
    page.text = asCp932Reads(std::move(decoded.text), choice.encoding == PageEncoding::Iso2022Jp);
    return page;
}

} // namespace

ConvertedPage convertPage(std::string_view bytes, std::string_view declaredCharset)
{
    return convert(bytes, declaredCharset, {});
}

ConvertedPage convertPageReleasing(std::string bytes, std::string_view declaredCharset)
{
    if (bytes.size() < kReleaseFrom) {
        return convert(bytes, declaredCharset, {});
    }
    Releaser releaser(bytes);
    return convert(bytes, declaredCharset, [&](std::size_t point) { releaser.before(point); });
}

} // namespace vz::platform
