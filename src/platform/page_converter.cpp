#include "page_converter.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include <sys/mman.h>
#include <unistd.h>

#include "platform/charset_labels.h"
#include "platform/cp932_reading.h"
#include "platform/encoding_decision.h"
#include "platform/icu_decoding.h"

namespace vz::platform {

const char* encodingName(PageEncoding encoding)
{
    switch (encoding) {
    case PageEncoding::Ascii:
        return "ASCII";
    case PageEncoding::Utf8:
        return "UTF-8";
    case PageEncoding::Utf16Le:
        return "UTF-16LE";
    case PageEncoding::Utf16Be:
        return "UTF-16BE";
    case PageEncoding::ShiftJis:
        return "Shift_JIS";
    case PageEncoding::EucJp:
        return "EUC-JP";
    case PageEncoding::Iso2022Jp:
        return "ISO-2022-JP";
    case PageEncoding::Other:
        return "other";
    }
    return "?";
}

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

ConvertedPage convert(std::string_view bytes, std::string_view declaredCharset, const Consumed& consumed)
{
    ConvertedPage page;
    Decision decision = decide(bytes, declaredCharset);
    const Choice& choice = decision.choice;
    page.encoding = choice.encoding;
    page.charset = choice.converter;
    page.declared = choice.declared;
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
        const std::size_t valid = appendUtf8AsCp932Reads(page.text, body, fromStart);
        if (valid < body.size()) {
            Decoded rest;
            rest.invalid = decodeWith(kUtf8, body.substr(valid), rest.text, [&](std::size_t n) {
                if (fromStart) {
                    fromStart(valid + n);
                }
            });
            page.invalidSequences = rest.invalid;
            page.text += asCp932Reads(std::move(rest.text), false);
        }
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
