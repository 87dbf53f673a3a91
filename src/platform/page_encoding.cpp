#include "page_encoding.h"

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

} // namespace vz::platform
