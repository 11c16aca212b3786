#include "config/RuntimeDownload.h"
#include "config/AddressPolicy.h"
#include "config/FolderName.h"

#include <algorithm>

namespace launcher {

namespace {

bool startsWithNoCase(std::u16string_view text, std::u16string_view prefix) {
    return text.size() >= prefix.size() && equalsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

bool isHexDigit(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

} // namespace

bool isHttpAddress(std::u16string_view url) {
    // What is plainly no web address; which of the rest may be fetched is
    // isRuntimeAddress's question.
    std::u16string_view rest;
    if (startsWithNoCase(url, u"https://")) rest = url.substr(8);
    else if (startsWithNoCase(url, u"http://")) rest = url.substr(7);
    else return false;
    if (std::any_of(url.begin(), url.end(), [](char16_t c) { return c <= u' ' || c == 0x7F; })) return false;
    std::u16string_view authority = rest.substr(0, rest.find_first_of(u"/?#"));
    size_t at = authority.rfind(u'@');
    std::u16string_view host = at == std::u16string_view::npos ? authority : authority.substr(at + 1);
    return !host.empty() && host.front() != u':';
}

std::optional<std::u16string> normalizedSha256(std::u16string_view text) {
    if (text.size() != 64 || !std::all_of(text.begin(), text.end(), isHexDigit)) return std::nullopt;
    std::u16string lower(text);
    for (char16_t& c : lower) {
        if (c >= u'A' && c <= u'F') c = static_cast<char16_t>(c - u'A' + u'a');
    }
    return lower;
}

std::optional<uint64_t> downloadSizeFrom(std::u16string_view text) {
    if (text.empty() || text.size() > 19) return std::nullopt; // 19 digits always fit
    uint64_t value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(c - u'0');
    }
    // No download is empty: a zero would only stall the progress bar.
    if (value == 0) return std::nullopt;
    return value;
}

bool isRuntimeAddress(std::u16string_view url) {
    return checkStartAddress(toUtf8(url)) == AddressVerdict::Allowed;
}

bool isAutomaticDownload(std::u16string_view mode) { return equalsIgnoreCase(mode, u"Automatic"); }

RuntimeDownloadCheck checkRuntimeDownload(const RuntimeDownloadKeys& keys, std::u16string_view productName) {
    RuntimeDownloadCheck check;
    if (keys.url.empty()) return check;
    auto fail = [&](RuntimeDownloadError error, std::u16string_view value) {
        check.error = error;
        check.value.assign(value);
        check.download = {};
        return check;
    };
    if (!isHttpAddress(keys.url)) return fail(RuntimeDownloadError::UrlNotHttp, keys.url);
    // Refused here, not only when the download starts: the vendor's package
    // and every start then say so at once.
    switch (checkStartAddress(toUtf8(keys.url))) {
    case AddressVerdict::Allowed: break;
    case AddressVerdict::Malformed: return fail(RuntimeDownloadError::UrlNotHttp, keys.url);
    case AddressVerdict::ClearText: return fail(RuntimeDownloadError::UrlClearText, keys.url);
    }
    if (keys.sha256.empty()) return fail(RuntimeDownloadError::MissingChecksum, keys.url);
    std::optional<std::u16string> sha256 = normalizedSha256(keys.sha256);
    if (!sha256) return fail(RuntimeDownloadError::BadChecksum, keys.sha256);
    std::optional<uint64_t> size;
    if (!keys.size.empty()) {
        size = downloadSizeFrom(keys.size);
        if (!size) return fail(RuntimeDownloadError::BadSize, keys.size);
    }
    if (!isOwnFolderName(folderNameOfProduct(productName))) return fail(RuntimeDownloadError::NoProductFolder, keys.url);
    check.download = {keys.url, *sha256, size, isAutomaticDownload(keys.mode)};
    return check;
}

} // namespace launcher
