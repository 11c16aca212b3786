#include "jre/VersionNumber.h"

#include "base/Text.h"

#include <algorithm>
#include <limits>

namespace launcher {

namespace {

constexpr int kPartCount = 4;

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

size_t findDigit(std::u16string_view text, size_t from) {
    while (from < text.size() && !isDigit(text[from])) ++from;
    return from;
}

bool isBoundValue(int32_t part) { return part == kVersionFillLow || part == kVersionFillHigh; }

} // namespace

VersionNumber makeVersion(int32_t a, int32_t b, int32_t c, int32_t d, int32_t groupCount) {
    VersionNumber v;
    v.parts[0] = a;
    v.parts[1] = b;
    v.parts[2] = c;
    v.parts[3] = d;
    v.groupCount = groupCount;
    return v;
}

// Registry subkeys and configuration values come in many shapes (1.8,
// 1.8.0_301, jdk-17.0.1+12), so any run of non-digits separates two parts.
ParsedVersion parseVersion(std::u16string_view text, int32_t fill) {
    ParsedVersion result;
    size_t p = findDigit(text, 0);
    if (p >= text.size()) return result;

    VersionNumber v;
    int group = 0;
    while (true) {
        int64_t part = 0;
        for (; p < text.size() && isDigit(text[p]); ++p) {
            part = part * 10 + (text[p] - u'0');
            if (part > std::numeric_limits<int32_t>::max()) return result;
        }
        v.parts[group] = static_cast<int32_t>(part);
        p = findDigit(text, p);
        if (p >= text.size()) {
            v.groupCount = group + 1;
            break;
        }
        if (group + 1 == kPartCount) {
            // Build numbers and the like after the fourth group are not kept.
            v.groupCount = kPartCount + 1;
            break;
        }
        ++group;
    }
    for (int i = std::min(v.groupCount, kPartCount); i < kPartCount; ++i) v.parts[i] = fill;
    result.version = v;
    result.ok = true;
    return result;
}

int compareVersions(const VersionNumber& a, const VersionNumber& b) {
    for (int i = 0; i < kPartCount; ++i) {
        if (a.parts[i] < b.parts[i]) return -1;
        if (a.parts[i] > b.parts[i]) return 1;
    }
    return 0;
}

bool isWithinBounds(const VersionNumber& v, const VersionNumber& min, const VersionNumber& max) {
    return compareVersions(v, max) <= 0 && compareVersions(v, min) >= 0;
}

bool isUnsetVersion(const VersionNumber& v) {
    const int32_t first = v.parts[0];
    if (!isBoundValue(first)) return false;
    return std::all_of(v.parts, v.parts + kPartCount, [first](int32_t part) { return part == first; });
}

// A preferred "1.8" or "1.8.0" means every 1.8 update: trailing zero parts
// of the preference are wildcards, zeros inside it are not.
bool matchesPreferredVersion(const VersionNumber& candidate, const VersionNumber& preferred) {
    int significant = kPartCount;
    while (significant > 0 && preferred.parts[significant - 1] == 0) --significant;
    return std::equal(candidate.parts, candidate.parts + significant, preferred.parts);
}

// Fill values say nothing about the version a user asked for, so the text
// stops at the last part that is neither 0 nor 65535; two parts at least,
// because a bare "11" reads like a count rather than a version.
std::u16string formatVersion(const VersionNumber& v) {
    int last = -1;
    for (int i = kPartCount - 1; i >= 0; --i) {
        if (!isBoundValue(v.parts[i])) {
            last = i;
            break;
        }
    }
    if (last < 0) return u"0.0.0.0";
    std::u16string text;
    for (int i = 0; i <= std::max(last, 1); ++i) {
        if (i > 0) text.push_back(u'.');
        text.append(toDecimal(v.parts[i]));
    }
    return text;
}

int32_t featureRelease(const VersionNumber& v) {
    return v.parts[0] == 1 ? v.parts[1] : v.parts[0];
}

} // namespace launcher
