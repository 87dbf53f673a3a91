#include "platform/url_policy.h"

#include <gtest/gtest.h>

namespace vz::test {
namespace {

TEST(UrlPolicy, FetchesOnlyHttpAndHttpsAddressesFromAPage)
{
    for (const char* allowed : {"http://a/b.html", "https://a/", "HTTP://A/", " \thttps://a/"}) {
        EXPECT_TRUE(platform::isFetchableFromPage(allowed)) << allowed;
    }
    for (const char* refused : {"file:///etc/passwd", " FILE:///etc/passwd", "ftp://a/", "javascript:alert(1)",
                                "data:image/gif;base64,R0l", "/etc/passwd", "a.gif", "http:/a", "httpx://a/", ""}) {
        EXPECT_FALSE(platform::isFetchableFromPage(refused)) << refused;
    }
}

} // namespace
} // namespace vz::test
