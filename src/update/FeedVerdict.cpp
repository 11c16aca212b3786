#include "update/FeedVerdict.h"

#include "config/AddressPolicy.h"
#include "config/IniText.h"
#include "config/RuntimeDownload.h"
#include "jre/RuntimeTrace.h"
#include "update/FeedSignature.h"
#include "update/FeedState.h"

#include <algorithm>

namespace launcher {

namespace {

// The feed's own header, not a setting: named unlike the configuration's
// kXxxSection constants, which the manual's reference lists.
constexpr std::u16string_view kFeedHeader = u"Feed";

FeedVerdict refuse(FeedCheck check, std::u16string why) {
    FeedVerdict verdict;
    verdict.failed = check;
    verdict.reason = u"runtime feed refused (";
    verdict.reason.append(feedCheckName(check));
    verdict.reason.append(u"): ");
    verdict.reason.append(why);
    return verdict;
}

std::u16string inQuotes(std::u16string_view text) {
    std::u16string out = u"\"";
    out.append(text);
    out.push_back(u'"');
    return out;
}

bool hasSection(std::u16string_view text, std::u16string_view name) {
    const TextList sections = listIniSections(text);
    return std::any_of(sections.begin(), sections.end(),
                       [&](const std::u16string& section) { return equalsIgnoreCase(section, name); });
}

// The platform's entry by the pinned runtime's rules; the refusal's words
// when a key is missing or invalid.
std::optional<FeedEntry> readEntry(const IniIndex& index, std::u16string_view section, std::u16string& why) {
    const std::u16string url = readIniValue(index, section, u"URL");
    const std::u16string sha256 = readIniValue(index, section, u"SHA-256");
    const std::u16string size = readIniValue(index, section, u"Size");
    const std::u16string version = readIniValue(index, section, u"Version");
    const std::u16string where = u"[" + std::u16string(section) + u"] ";
    if (url.empty()) {
        why = where + u"has no \"URL\"";
    } else if (!isHttpAddress(url) || checkStartAddress(toUtf8(url)) == AddressVerdict::Malformed) {
        why = where + u"\"URL\" " + inQuotes(url) + u" is not an http or https address";
    } else if (checkStartAddress(toUtf8(url)) == AddressVerdict::ClearText) {
        why = where + u"\"URL\" " + inQuotes(url) + u" is plain http to a host that is not a loopback address";
    } else if (std::optional<std::u16string> checksum = normalizedSha256(sha256); !checksum) {
        why = where + u"\"SHA-256\" " + inQuotes(sha256) + u" is not 64 hex digits";
    } else if (std::optional<uint64_t> bytes = downloadSizeFrom(size); !bytes) {
        why = where + u"\"Size\" " + inQuotes(size) + u" is not a whole number of bytes above 0";
    } else if (ParsedVersion parsed = parseVersion(version, kVersionFillLow); !parsed.ok) {
        why = where + u"\"Version\" " + inQuotes(version) + u" is not a version";
    } else {
        return FeedEntry{url, *checksum, *bytes, parsed.version, version};
    }
    return std::nullopt;
}

std::u16string acceptance(uint64_t sequence, std::u16string_view platform, const FeedEntry& entry) {
    return u"runtime feed accepted: sequence " + toDecimal(static_cast<long long>(sequence)) + u", " +
           std::u16string(platform) + u" runtime " + entry.versionText + u" from " + entry.url + u", SHA-256 " +
           entry.sha256;
}

} // namespace

std::u16string_view feedCheckName(FeedCheck check) {
    switch (check) {
    case FeedCheck::None: return u"none";
    case FeedCheck::Size: return u"size";
    case FeedCheck::Signature: return u"signature";
    case FeedCheck::ProductCode: return u"product code";
    case FeedCheck::Sequence: return u"sequence";
    case FeedCheck::Platform: return u"platform";
    case FeedCheck::Entry: return u"entry";
    case FeedCheck::Version: return u"version bounds";
    case FeedCheck::Floor: return u"pinned version";
    case FeedCheck::MarkedBad: return u"marked bad";
    }
    return u"unknown";
}

FeedVerdict checkFeed(std::string_view feed, std::string_view signature, const FeedExpectations& expected) {
    if (feed.size() > kFeedSizeLimit) {
        return refuse(FeedCheck::Size, u"the feed has more than " + toDecimal(kFeedSizeLimit) + u" bytes");
    }
    if (signature.size() > kFeedSizeLimit) {
        return refuse(FeedCheck::Size, u"the signature has more than " + toDecimal(kFeedSizeLimit) + u" bytes");
    }
    const SignatureVerdict checked = verifyFeedSignature(asBytes(feed), asBytes(signature), expected.publicKey);
    if (!checked.valid()) return refuse(FeedCheck::Signature, checked.reason);
    return checkFeedText(feed, expected);
}

FeedVerdict checkFeedText(std::string_view feed, const FeedExpectations& expected) {
    const std::u16string text = decodeIniBytes(feed);
    const IniIndex index(text);

    const std::u16string productCode = readIniValue(index, kFeedHeader, u"Product Code");
    if (!productCode.empty() && !equalsIgnoreCase(productCode, expected.productCode)) {
        return refuse(FeedCheck::ProductCode, u"the feed is for product code " + inQuotes(productCode) +
                                                  u", this product's is " + inQuotes(expected.productCode));
    }

    const std::u16string sequenceText = readIniValue(index, kFeedHeader, u"Sequence");
    const std::optional<uint64_t> sequence = feedNumberFrom(sequenceText);
    if (!sequence) {
        return refuse(FeedCheck::Sequence, u"\"Sequence\" " + inQuotes(sequenceText) + u" is not a whole number");
    }
    if (expected.highestSequence && *sequence <= *expected.highestSequence) {
        return refuse(FeedCheck::Sequence, u"sequence " + toDecimal(static_cast<long long>(*sequence)) +
                                               u" is not above " +
                                               toDecimal(static_cast<long long>(*expected.highestSequence)) +
                                               u", the highest accepted before");
    }

    FeedVerdict verdict = [&]() -> FeedVerdict {
        if (!hasSection(text, expected.platform)) {
            return refuse(FeedCheck::Platform, u"the feed has no section [" + expected.platform + u"]");
        }
        std::u16string why;
        const std::optional<FeedEntry> entry = readEntry(index, expected.platform, why);
        if (!entry) return refuse(FeedCheck::Entry, why);

        RuntimeCriteria bounds;
        bounds.minimumVersion = expected.minimumVersion;
        bounds.maximumVersion = expected.maximumVersion;
        const std::u16string outside = boundsRejection(entry->version, entry->versionText, bounds);
        if (!outside.empty()) return refuse(FeedCheck::Version, outside);
        if (expected.floor && compareVersions(entry->version, *expected.floor) < 0) {
            return refuse(FeedCheck::Floor, u"version " + entry->versionText + u" is older than the pinned runtime's " +
                                                formatVersion(*expected.floor));
        }
        const auto& bad = expected.badEntries;
        if (std::find(bad.begin(), bad.end(), entry->sha256) != bad.end()) {
            return refuse(FeedCheck::MarkedBad,
                          u"the runtime of SHA-256 " + entry->sha256 + u" was marked bad after it failed to start");
        }
        FeedVerdict accepted;
        accepted.entry = *entry;
        accepted.reason = acceptance(*sequence, expected.platform, *entry);
        return accepted;
    }();
    verdict.sequence = sequence;
    return verdict;
}

} // namespace launcher
