// Charset detection and conversion of a fetched page, and the page head built from it.
// Input: a Content-Type header 0x01 the page's bytes.

#include "fuzz_support.h"
#include "gather/page_head.h"
#include "platform/charset_labels.h"
#include "platform/page_converter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vz;
    const auto in = fuzz::byteParts(data, size, 2);
    const std::string declared = platform::charsetOfContentType(in[0]);
    platform::charsetOfMetaTag(in[1]);
    const std::u16string page = platform::convertPage(in[1], declared).text;
    gather::CheckCharset(page);
    gather::MakePageHead(page, u"<html>");
    return 0;
}
