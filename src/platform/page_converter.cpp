#include "page_converter.h"

#include <utility>

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

ConvertedPage convertPage(std::string_view bytes, std::string_view declaredCharset)
{
    ConvertedPage page;
    Decision decision = decide(bytes, declaredCharset);
    const Choice& choice = decision.choice;
    page.encoding = choice.encoding;
    page.charset = choice.converter;
    page.declared = choice.declared;
    if (choice.converter.empty()) {
        // Plain ASCII reads the same in every encoding CP932 shares it with.
        page.text = asCp932Reads(std::u16string(bytes.begin(), bytes.end()), false);
        return page;
    }
    if (!decision.decoded) {
        decision.decoded = decodeWith(choice.converter.c_str(), bytes.substr(choice.skip));
    }
    page.invalidSequences = decision.decoded->invalid;
    page.text = asCp932Reads(std::move(decision.decoded->text), choice.encoding == PageEncoding::Iso2022Jp);
    return page;
}

} // namespace vz::platform
