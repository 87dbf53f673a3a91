// Index cutting, link listing and address joining on a stranger's index page.
// Input: page 0x01 FilterIndex1 0x01 FilterIndex2 0x01 base address.

#include "extract/index_cutting.h"
#include "extract/literal_filters.h"
#include "fuzz_support.h"
#include "platform/url_policy.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static vz::fuzz::QuietReporter quiet;
    const auto in = vz::fuzz::parts(data, size, 4);
    std::u16string page = in[0];
    std::u16string part = vz::extract::CutHeader(quiet.reporter, page, in[1], in[2]);
    std::u16string literalPart = part;
    std::vector<std::u16string> links, literalLinks;
    const std::int32_t last = vz::extract::CutMsg(quiet.reporter, part, links);
    if (last != vz::test::literal::CutMsg(literalPart, literalLinks) || links != literalLinks) {
        vz::fuzz::mustAgree(u"links differ", u"", "CutMsg");
    }
    for (std::int32_t i = 0; i <= last && i < static_cast<std::int32_t>(links.size()); ++i) {
        const std::u16string address = vz::extract::MergeAddress(in[3], links[static_cast<std::size_t>(i)]);
        vz::platform::isFetchableFromPage(vz::text::toUtf8(address));
    }
    return 0;
}
