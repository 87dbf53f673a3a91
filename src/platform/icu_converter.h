#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include <unicode/ucnv.h>

namespace vz::platform {

struct ConverterCloser
{
    void operator()(UConverter* c) const { ucnv_close(c); }
};
/// An ICU converter that closes itself.
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

/// The converter ICU has under `name`, or null when it has none.
inline ConverterPtr openConverter(const char* name)
{
    UErrorCode status = U_ZERO_ERROR;
    ConverterPtr cnv(ucnv_open(name, &status));
    if (U_FAILURE(status)) {
        return nullptr;
    }
    return cnv;
}

/// As openConverter, for a converter the program cannot work without.
inline ConverterPtr openRequired(const char* name)
{
    auto cnv = openConverter(name);
    if (!cnv) {
        throw std::runtime_error(std::string("the ") + name + " converter is not available");
    }
    return cnv;
}

} // namespace vz::platform
