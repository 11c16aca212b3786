#include "config/AddressPolicy.h"

#include <algorithm>

namespace launcher {

namespace {

std::string lowerAscii(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return result;
}

bool unsafeCharacter(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u <= 0x20 || u == 0x7F || c == '\\';
}

std::optional<uint16_t> parsePort(std::string_view digits) {
    if (digits.empty() || digits.size() > 5) return std::nullopt;
    unsigned value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value == 0 || value > 65535) return std::nullopt;
    return static_cast<uint16_t>(value);
}

// host[:port] or [v6][:port] into address; false when malformed.
bool parseAuthority(std::string_view authority, WebAddress& address) {
    if (authority.empty() || authority.find('@') != std::string_view::npos) return false;
    std::string_view host;
    std::string_view rest;
    if (authority.front() == '[') {
        const size_t close = authority.find(']');
        if (close == std::string_view::npos || close == 1) return false;
        host = authority.substr(1, close - 1);
        if (host.find_first_not_of("0123456789abcdefABCDEF:.") != std::string_view::npos) return false;
        rest = authority.substr(close + 1);
    } else {
        const size_t colon = authority.find(':');
        host = authority.substr(0, colon);
        rest = colon == std::string_view::npos ? std::string_view{} : authority.substr(colon);
        if (host.empty() || host.find_first_of("[]") != std::string_view::npos) return false;
    }
    address.host = lowerAscii(host);
    address.port = address.scheme == "https" ? 443 : 80;
    if (rest.empty()) return true;
    if (rest.front() != ':') return false;
    const std::optional<uint16_t> port = parsePort(rest.substr(1));
    if (!port) return false;
    address.port = *port;
    return true;
}

// The path of base up to and including its last "/" (query left out).
std::string directoryOf(const std::string& target) {
    const std::string path = target.substr(0, target.find('?'));
    return path.substr(0, path.rfind('/') + 1);
}

} // namespace

bool WebAddress::loopback() const {
    return host == "127.0.0.1" || host == "::1";
}

std::string WebAddress::authority() const {
    std::string result = host.find(':') != std::string::npos ? "[" + host + "]" : host;
    const uint16_t standard = scheme == "https" ? 443 : 80;
    if (port != standard) result += ":" + std::to_string(port);
    return result;
}

std::string WebAddress::text() const {
    return scheme + "://" + authority() + target;
}

std::optional<WebAddress> parseWebAddress(std::string_view text) {
    if (std::any_of(text.begin(), text.end(), unsafeCharacter)) return std::nullopt;
    text = text.substr(0, text.find('#'));
    const size_t separator = text.find("://");
    if (separator == std::string_view::npos) return std::nullopt;
    WebAddress address;
    address.scheme = lowerAscii(text.substr(0, separator));
    if (address.scheme != "http" && address.scheme != "https") return std::nullopt;
    const std::string_view rest = text.substr(separator + 3);
    const size_t pathStart = rest.find_first_of("/?");
    if (!parseAuthority(rest.substr(0, pathStart), address)) return std::nullopt;
    address.target = pathStart == std::string_view::npos ? "/" : std::string(rest.substr(pathStart));
    if (address.target.front() == '?') address.target.insert(0, "/");
    return address;
}

AddressVerdict checkStartAddress(const WebAddress& address) {
    if (address.scheme == "https" || address.loopback()) return AddressVerdict::Allowed;
    return AddressVerdict::ClearText;
}

AddressVerdict checkStartAddress(std::string_view text) {
    const std::optional<WebAddress> address = parseWebAddress(text);
    return address ? checkStartAddress(*address) : AddressVerdict::Malformed;
}

AddressVerdict checkRedirect(const WebAddress& from, const WebAddress& to) {
    if (to.scheme == "https") return AddressVerdict::Allowed;
    if (from.loopback() && to.loopback()) return AddressVerdict::Allowed;
    return AddressVerdict::ClearText;
}

std::optional<WebAddress> resolveLocation(const WebAddress& base, std::string_view location) {
    if (location.empty() || std::any_of(location.begin(), location.end(), unsafeCharacter)) return std::nullopt;
    if (location.find("://") != std::string_view::npos &&
        location.find("://") < location.find_first_of("/?")) {
        return parseWebAddress(location);
    }
    if (location.starts_with("//")) return parseWebAddress(base.scheme + ":" + std::string(location));
    WebAddress resolved = base;
    location = location.substr(0, location.find('#'));
    if (location.starts_with("/")) {
        resolved.target = std::string(location);
    } else if (location.starts_with("?")) {
        resolved.target = base.target.substr(0, base.target.find('?')) + std::string(location);
    } else {
        resolved.target = directoryOf(base.target) + std::string(location);
    }
    return resolved;
}

} // namespace launcher
