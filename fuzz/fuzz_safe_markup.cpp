// The last step before output, checked by an HTML5 parser: whatever the input, what comes out
// (followed in a page by the program's own markup and by more of the same) holds only allowed
// elements, attributes and addresses, and the step gives its own output back unchanged. Input:
// one byte of options (tables, pictures), then the text.

#include "extract/safe_markup.h"
#include "fuzz_support.h"
#include "support/markup_oracle.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vz;
    if (size == 0) {
        return 0;
    }
    const extract::MarkupPolicy policy{(data[0] & 1) != 0, (data[0] & 2) != 0};
    const std::u16string input = fuzz::parts(data + 1, size - 1, 1)[0];
    const std::u16string rule = u"\r\n <hr noshade='noshade'  size=2 ><p></p>\r\n";

    const std::u16string out = extract::SanitizeMarkup(input, policy);
    fuzz::mustAgree(extract::SanitizeMarkup(out, policy), out, "SanitizeMarkup on its own output");
    fuzz::mustHoldOnlyAllowed(out + rule + out, {true, policy.tables, policy.pictures}, "SanitizeMarkup");

    const std::u16string plain = extract::PlainText(input);
    fuzz::mustAgree(extract::PlainText(plain), plain, "PlainText on its own output");
    fuzz::mustHoldOnlyAllowed(plain + u">" + plain + u">", {false, false, false}, "PlainText");
    return 0;
}
