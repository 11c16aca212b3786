#pragma once
// Java runtime versions as they appear in registry subkey names and in the
// configuration: up to four numeric parts, read leniently.

#include <cstdint>
#include <string>
#include <string_view>

namespace launcher {

struct VersionNumber {
    int32_t parts[4] = {0, 0, 0, 0};
    // Digit groups the parser saw: 0 to 4, or 5 when there were more.
    int32_t groupCount = 0;
};

inline constexpr int32_t kVersionFillLow = 0;
inline constexpr int32_t kVersionFillHigh = 65535;

struct ParsedVersion {
    VersionNumber version;
    bool ok = false;
};

// Reads the digit groups of text; parts not given take the fill value. A
// text without digits, or with a part above 2147483647, fails with
// 0.0.0.0 and group count 0.
ParsedVersion parseVersion(std::u16string_view text, int32_t fill);

// Negative, zero or positive as a orders before, equal to or after b.
int compareVersions(const VersionNumber& a, const VersionNumber& b);
bool isWithinBounds(const VersionNumber& v, const VersionNumber& min, const VersionNumber& max);
// True when the value carries no bound: all parts 0, or all 65535.
bool isUnsetVersion(const VersionNumber& v);
// True when the candidate satisfies one "Preferred versions" entry.
bool matchesPreferredVersion(const VersionNumber& candidate, const VersionNumber& preferred);
// Display text: parts up to the last one that is neither 0 nor 65535, at
// least two; "0.0.0.0" when every part is 0 or 65535.
std::u16string formatVersion(const VersionNumber& v);

// The major version: runtimes up to 8 call themselves 1.8 and below in
// their release files and in the classic subkeys, though their vendors name
// them by 8 alone.
int32_t featureRelease(const VersionNumber& v);

VersionNumber makeVersion(int32_t a, int32_t b, int32_t c, int32_t d, int32_t groupCount = 4);

} // namespace launcher
