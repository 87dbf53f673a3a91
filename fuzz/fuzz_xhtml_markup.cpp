// The book's XHTML, checked by a strict XML parser as e-book readers read it: whatever the page,
// what the allowlist lets through, written as XHTML, is well-formed. Input: one byte of options
// (tables, pictures, vertical text), then the text.

#include <cstdio>
#include <cstdlib>

#include <libxml/parser.h>

#include "extract/safe_markup.h"
#include "extract/xhtml_markup.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vz;
    if (size == 0) {
        return 0;
    }
    const extract::MarkupPolicy policy{(data[0] & 1) != 0, (data[0] & 2) != 0};
    extract::XhtmlOptions options;
    options.vertical = (data[0] & 4) != 0;
    options.picture = [](std::u16string_view src) { return std::optional<std::u16string>(src); };
    const std::u16string input = fuzz::parts(data + 1, size - 1, 1)[0];
    const std::string xhtml = "<section xmlns=\"http://www.w3.org/1999/xhtml\">" +
                              text::toUtf8(extract::xhtmlFromMarkup(extract::SanitizeMarkup(input, policy), options)) +
                              "</section>";
    xmlDoc* doc = xmlReadMemory(xhtml.data(), static_cast<int>(xhtml.size()), "article.xhtml", "UTF-8",
                                XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (!doc) {
        std::fprintf(stderr, "the book's XHTML is no well-formed XML:\n%s\n", xhtml.c_str());
        std::abort();
    }
    xmlFreeDoc(doc);
    return 0;
}
