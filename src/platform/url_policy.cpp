#include "url_policy.h"

namespace vz::platform {

namespace {

bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != prefix[i]) {
            return false;
        }
    }
    return true;
}

} // namespace

bool isFetchableFromPage(std::string_view url)
{
    while (!url.empty() && static_cast<unsigned char>(url.front()) <= 0x20) {
        url.remove_prefix(1);
    }
    // An address without a scheme is refused too: the transfer library would guess one for it.
    return startsWithNoCase(url, "http://") || startsWithNoCase(url, "https://");
}

} // namespace vz::platform
