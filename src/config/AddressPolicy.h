#pragma once
// Which addresses a runtime may be fetched from. Only https, with the
// system's certificate checks, carries a runtime: a clear-text download
// could be swapped on the way, and the checksum would then only tell that
// it was. The one exception is the machine's own loopback address
// (127.0.0.1 or [::1], written as such: a name like "localhost" is looked up
// and could lead anywhere), where a test serves its files over plain http.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace launcher {

struct WebAddress {
    std::string scheme; // "http" or "https", lower case
    std::string host;   // as written, without the brackets of an IPv6 address
    uint16_t port = 0;  // the scheme's own when the address names none
    std::string target; // path and query, at least "/"; no fragment

    bool loopback() const;
    // host with brackets for IPv6, and ":port" when not the scheme's own.
    std::string authority() const;
    std::string text() const;
};

// An absolute http or https address; nothing for anything else, for user
// names (which could make "https://127.0.0.1@elsewhere/" look local), and
// for spaces, control characters and backslashes, which programs read
// differently.
std::optional<WebAddress> parseWebAddress(std::string_view text);

enum class AddressVerdict {
    Allowed,
    Malformed,
    ClearText, // http to anything but a loopback address
};

// The address a download starts from.
AddressVerdict checkStartAddress(const WebAddress& address);
// The same for an address as written: the one rule for a runtime's address
// that the download, the launcher's settings and launcher-pack all keep, so
// that no package carries an address its launcher would only refuse when
// it downloads.
AddressVerdict checkStartAddress(std::string_view text);
// A redirect from one address to another: https anywhere, http only from
// loopback to loopback.
AddressVerdict checkRedirect(const WebAddress& from, const WebAddress& to);

// A Location header's value read against the address that sent it:
// absolute, scheme-relative ("//host/x"), absolute path or relative path.
std::optional<WebAddress> resolveLocation(const WebAddress& base, std::string_view location);

// How many redirects a download follows: a vendor's link goes through one
// or two; more is a loop or a misconfigured server.
inline constexpr int kMaxRedirects = 5;

} // namespace launcher
