// The tag filters against their literal loops. Input: text 0x01 opening marker 0x01 closing marker 0x01 replacement.

#include "extract/literal_filters.h"
#include "extract/tag_filters.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vz;
    const auto in = fuzz::parts(data, size, 4);
    // Callers pass their markers in lower case.
    const std::u16string opening = text::LCase(in[1]);
    const std::u16string closing = text::LCase(in[2]);
    fuzz::mustAgree(extract::ReplaceTags(in[0], opening, closing, in[3]),
                    test::literal::ReplaceTags(in[0], opening, closing, in[3]), "ReplaceTags");
    fuzz::mustAgree(extract::RemoveTags(in[0], opening, closing), test::literal::RemoveTags(in[0], opening, closing),
                    "RemoveTags");
    fuzz::mustAgree(extract::CollapseBreaks(in[0]), test::literal::CollapseBreaks(in[0]), "CollapseBreaks");
    fuzz::mustAgree(extract::CollapseNbsp(in[0]), test::literal::CollapseNbsp(in[0]), "CollapseNbsp");
    const extract::LineFitting fitting;
    fuzz::mustAgree(extract::PickHeadline(fitting, in[0]), test::literal::PickHeadline(fitting, in[0]), "PickHeadline");
    return 0;
}
