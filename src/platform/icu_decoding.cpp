#include "icu_decoding.h"

#include <algorithm>
#include <stdexcept>

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>

#include "platform/icu_converter.h"
#include "platform/page_encoding.h"

namespace vz::platform {
namespace {

struct ErrorCount
{
    std::size_t count = 0;
};

void standIn(const void* context, UConverterToUnicodeArgs* args, const char*, int32_t, UConverterCallbackReason reason,
             UErrorCode* err)
{
    if (reason > UCNV_IRREGULAR) {
        return;
    }
    ++static_cast<ErrorCount*>(const_cast<void*>(context))->count;
    *err = U_ZERO_ERROR;
    const UChar replacement = kInvalidStandIn;
    ucnv_cbToUWriteUChars(args, &replacement, 1, 0, err);
}

// Input read at a time: small enough that the text grows in steps a large page does not notice,
// large enough that each step costs little.
constexpr std::size_t kChunk = 64 * 1024;

} // namespace

std::size_t decodeWith(const char* converter, std::string_view bytes, std::u16string& into, const Consumed& consumed)
{
    const ConverterPtr cnv = openRequired(converter);
    ErrorCount errors;
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setToUCallBack(cnv.get(), standIn, &errors, nullptr, nullptr, &status);
    // No encoding read here gives more UTF-16 units than bytes, except a four-byte sequence's
    // two; the capacity is only reserved, so what the text does not need is never touched.
    into.reserve(into.size() + bytes.size() + 16);
    UChar buffer[kChunk / 4];
    const char* source = bytes.data();
    const char* const sourceEnd = source + bytes.size();
    do {
        const char* const chunkEnd =
            source + std::min<std::size_t>(kChunk, static_cast<std::size_t>(sourceEnd - source));
        const bool last = chunkEnd == sourceEnd;
        // A chunk's characters may need more room than the buffer has: the rest of the chunk
        // follows in the next rounds.
        do {
            UChar* target = buffer;
            status = U_ZERO_ERROR;
            ucnv_toUnicode(cnv.get(), &target, buffer + std::size(buffer), &source, chunkEnd, nullptr, last, &status);
            into.append(reinterpret_cast<const char16_t*>(buffer), static_cast<std::size_t>(target - buffer));
        } while (status == U_BUFFER_OVERFLOW_ERROR);
        if (U_FAILURE(status)) {
            throw std::runtime_error(std::string("page conversion failed: ") + u_errorName(status));
        }
        if (consumed) {
            consumed(static_cast<std::size_t>(source - bytes.data()));
        }
    } while (source != sourceEnd);
    return errors.count;
}

Decoded decodeWith(const char* converter, std::string_view bytes)
{
    Decoded result;
    result.invalid = decodeWith(converter, bytes, result.text);
    return result;
}

} // namespace vz::platform
