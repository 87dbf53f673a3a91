// Line fitting of any text at any line width. Input: two bytes of letters per line, then the
// text, read as CP932 when the first byte is odd and as UTF-8 otherwise.

#include "extract/line_fitting.h"
#include "fuzz_support.h"
#include "platform/cp932.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vz;
    if (size < 2) {
        return 0;
    }
    extract::LineFitting fitting{u"E", static_cast<std::int16_t>(data[0] | data[1] << 8), {}};
    extract::SetLetterWidths(fitting.LetterWidths);
    const std::string_view bytes(reinterpret_cast<const char*>(data + 2), size - 2);
    const std::u16string text = data[0] & 1 ? platform::decodeCp932(bytes) : text::fromUtf8(bytes);
    extract::AddSpc(fitting, text);
    return 0;
}
