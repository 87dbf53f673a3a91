#include "icu_decoding.h"

#include <stdexcept>

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>

#include "platform/icu_converter.h"
#include "platform/page_converter.h"

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

Decoded decodeWith(UConverter* cnv, std::string_view bytes)
{
    Decoded result;
    ErrorCount errors;
    UErrorCode status = U_ZERO_ERROR;
    ucnv_reset(cnv);
    ucnv_setToUCallBack(cnv, standIn, &errors, nullptr, nullptr, &status);
    // No encoding gives more UTF-16 units than bytes, except a four-byte sequence's two; the
    // loop grows the buffer in the rare case it runs short.
    result.text.resize(bytes.size() + 16);
    const char* source = bytes.data();
    const char* const sourceEnd = source + bytes.size();
    std::size_t written = 0;
    for (;;) {
        auto* const start = reinterpret_cast<UChar*>(result.text.data());
        UChar* target = start + written;
        status = U_ZERO_ERROR;
        ucnv_toUnicode(cnv, &target, start + result.text.size(), &source, sourceEnd, nullptr, true, &status);
        written = static_cast<std::size_t>(target - start);
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            result.text.resize(result.text.size() * 2);
            continue;
        }
        break;
    }
    if (U_FAILURE(status)) {
        throw std::runtime_error(std::string("page conversion failed: ") + u_errorName(status));
    }
    result.text.resize(written);
    result.invalid = errors.count;
    return result;
}

} // namespace

Decoded decodeWith(const char* converter, std::string_view bytes)
{
    return decodeWith(openRequired(converter).get(), bytes);
}

} // namespace vz::platform
