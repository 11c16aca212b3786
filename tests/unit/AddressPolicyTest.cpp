#include "config/AddressPolicy.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

struct StartCase {
    const char* address;
    std::optional<AddressVerdict> verdict; // nothing: not an address at all
};

const StartCase kStartCases[] = {
    {"https://github.com/a/b.zip", AddressVerdict::Allowed},
    {"HTTPS://Example.COM:8443/x?y=1#part", AddressVerdict::Allowed},
    {"http://127.0.0.1:8080/runtime.zip", AddressVerdict::Allowed},
    {"http://[::1]:8080/runtime.zip", AddressVerdict::Allowed},
    {"http://example.com/runtime.zip", AddressVerdict::ClearText},
    {"http://localhost/runtime.zip", AddressVerdict::ClearText},
    {"http://0.0.0.0:8080/runtime.zip", AddressVerdict::ClearText},
    {"http://127.0.0.2/runtime.zip", AddressVerdict::ClearText},
    {"http://127.0.0.1.example.com/x", AddressVerdict::ClearText},
    {"http://127.0.0.1@example.com/x", std::nullopt},
    {"https://user:pw@example.com/x", std::nullopt},
    {"ftp://example.com/x", std::nullopt},
    {"file:///etc/passwd", std::nullopt},
    {"https:/example.com/x", std::nullopt},
    {"https://example.com:0/x", std::nullopt},
    {"https://example.com:65536/x", std::nullopt},
    {"https://example.com:/x", std::nullopt},
    {"https://[::1/x", std::nullopt},
    {"https://exa mple.com/x", std::nullopt},
    {"https://example.com\\@127.0.0.1/x", std::nullopt},
    {"https://example.com/a\nb", std::nullopt},
    {"runtime.zip", std::nullopt},
};

TEST(AddressPolicyTest, StartAddresses) {
    for (const StartCase& c : kStartCases) {
        SCOPED_TRACE(c.address);
        const std::optional<WebAddress> address = parseWebAddress(c.address);
        ASSERT_EQ(address.has_value(), c.verdict.has_value());
        if (address) {
            EXPECT_EQ(checkStartAddress(*address), *c.verdict);
        }
    }
}

TEST(AddressPolicyTest, PartsAndDefaults) {
    const WebAddress a = *parseWebAddress("HTTPS://Example.COM/x/y.zip?sig=1#frag");
    EXPECT_EQ(a.scheme, "https");
    EXPECT_EQ(a.host, "example.com");
    EXPECT_EQ(a.port, 443);
    EXPECT_EQ(a.target, "/x/y.zip?sig=1");
    EXPECT_EQ(a.text(), "https://example.com/x/y.zip?sig=1");
    const WebAddress b = *parseWebAddress("http://[::1]:8080?q");
    EXPECT_EQ(b.host, "::1");
    EXPECT_EQ(b.port, 8080);
    EXPECT_EQ(b.target, "/?q");
    EXPECT_EQ(b.authority(), "[::1]:8080");
    EXPECT_EQ(parseWebAddress("http://h")->port, 80);
}

struct RedirectCase {
    const char* from;
    const char* location;
    const char* resolved; // nothing: unreadable location
    AddressVerdict verdict;
};

const RedirectCase kRedirectCases[] = {
    {"https://a.org/x/y.zip", "https://cdn.b.org/f.zip", "https://cdn.b.org/f.zip", AddressVerdict::Allowed},
    {"https://a.org/x/y.zip", "http://cdn.b.org/f.zip", "http://cdn.b.org/f.zip", AddressVerdict::ClearText},
    {"https://a.org/x/y.zip", "http://127.0.0.1/f.zip", "http://127.0.0.1/f.zip", AddressVerdict::ClearText},
    {"http://127.0.0.1:81/a", "http://127.0.0.1:82/b", "http://127.0.0.1:82/b", AddressVerdict::Allowed},
    {"http://127.0.0.1:81/a", "http://[::1]:82/b", "http://[::1]:82/b", AddressVerdict::Allowed},
    {"http://127.0.0.1:81/a", "http://0.0.0.0:82/b", "http://0.0.0.0:82/b", AddressVerdict::ClearText},
    {"http://127.0.0.1:81/a", "https://a.org/b", "https://a.org/b", AddressVerdict::Allowed},
    {"https://a.org/x/y.zip", "//b.org/f.zip", "https://b.org/f.zip", AddressVerdict::Allowed},
    {"http://127.0.0.1:81/x/y.zip", "//example.com/f.zip", "http://example.com/f.zip", AddressVerdict::ClearText},
    {"https://a.org/x/y.zip?q=1", "/f.zip", "https://a.org/f.zip", AddressVerdict::Allowed},
    {"https://a.org/x/y.zip?q=/1", "f.zip", "https://a.org/x/f.zip", AddressVerdict::Allowed},
    {"https://a.org/x/y.zip", "?sig=2", "https://a.org/x/y.zip?sig=2", AddressVerdict::Allowed},
    {"https://a.org/x/y.zip", "HTTP://b.org/f", "http://b.org/f", AddressVerdict::ClearText},
    {"https://a.org/x/y.zip", "ftp://b.org/f", nullptr, AddressVerdict::Malformed},
    {"https://a.org/x/y.zip", "", nullptr, AddressVerdict::Malformed},
    {"https://a.org/x/y.zip", "/a b", nullptr, AddressVerdict::Malformed},
};

TEST(AddressPolicyTest, Redirects) {
    for (const RedirectCase& c : kRedirectCases) {
        SCOPED_TRACE(std::string(c.from) + " -> " + c.location);
        const WebAddress from = *parseWebAddress(c.from);
        const std::optional<WebAddress> to = resolveLocation(from, c.location);
        ASSERT_EQ(to.has_value(), c.resolved != nullptr);
        if (!to) continue;
        EXPECT_EQ(to->text(), c.resolved);
        EXPECT_EQ(checkRedirect(from, *to), c.verdict);
    }
}

} // namespace
} // namespace launcher
