// Feeds arbitrary text to the version parser and checks the properties of
// the value it gives, of the ordering and of the display form.

#include "FuzzCheck.h"
#include "jre/VersionNumber.h"
#include "base/Text.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace launcher;

namespace {

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

int sign(int value) { return (value > 0) - (value < 0); }

bool isBound(int32_t part) { return part == kVersionFillLow || part == kVersionFillHigh; }

void checkParsed(std::u16string_view text, int32_t fill, const ParsedVersion& parsed) {
    const VersionNumber& v = parsed.version;
    if (!parsed.ok) {
        for (int32_t part : v.parts) FUZZ_CHECK(part == 0);
        FUZZ_CHECK(v.groupCount == 0);
        return;
    }
    size_t runs = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (isDigit(text[i]) && (i == 0 || !isDigit(text[i - 1]))) ++runs;
    }
    FUZZ_CHECK(v.groupCount == static_cast<int32_t>(std::min<size_t>(runs, 5)));
    for (int i = 0; i < 4; ++i) {
        if (i < v.groupCount) FUZZ_CHECK(v.parts[i] >= 0);
        else FUZZ_CHECK(v.parts[i] == fill);
    }
}

// The display text read back with fill 0 gives the value with the parts
// that were not shown set to 0.
void checkFormatRoundTrip(const VersionNumber& v) {
    const std::u16string text = formatVersion(v);
    for (char16_t c : text) FUZZ_CHECK(isDigit(c) || c == u'.');
    int last = -1;
    for (int i = 0; i < 4; ++i) {
        if (!isBound(v.parts[i])) last = i;
    }
    VersionNumber expected{};
    if (last >= 0) {
        for (int i = 0; i <= std::max(last, 1); ++i) expected.parts[i] = v.parts[i];
    }
    ParsedVersion reread = parseVersion(text, kVersionFillLow);
    FUZZ_CHECK(reread.ok);
    FUZZ_CHECK(compareVersions(reread.version, expected) == 0);
    FUZZ_CHECK(reread.version.groupCount == (last < 0 ? 4 : std::max(last, 1) + 1));
    FUZZ_CHECK(formatVersion(reread.version) == text);
}

void checkRelations(const VersionNumber& a, const VersionNumber& b) {
    const int ab = compareVersions(a, b);
    FUZZ_CHECK(sign(ab) == -sign(compareVersions(b, a)));
    FUZZ_CHECK(compareVersions(a, a) == 0);
    FUZZ_CHECK(isWithinBounds(a, a, a));
    FUZZ_CHECK(matchesPreferredVersion(a, a));
    FUZZ_CHECK(matchesPreferredVersion(a, VersionNumber{}));
    FUZZ_CHECK(isWithinBounds(a, std::min(a, b, [](auto& x, auto& y) { return compareVersions(x, y) < 0; }),
                              std::max(a, b, [](auto& x, auto& y) { return compareVersions(x, y) < 0; })));
    // A preference with no zero part matches only its own version.
    if (b.parts[3] != 0) FUZZ_CHECK(matchesPreferredVersion(a, b) == (ab == 0));
    // A match means equal up to the preference's trailing zeros, so a parsed
    // candidate (no negative parts) never orders below the preference.
    if (matchesPreferredVersion(a, b)) FUZZ_CHECK(ab >= 0);
    FUZZ_CHECK(isUnsetVersion(a) == (compareVersions(a, makeVersion(0, 0, 0, 0)) == 0 ||
                                     compareVersions(a, makeVersion(65535, 65535, 65535, 65535)) == 0));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // A bar splits the input into a candidate and a second text to relate it to.
    const size_t bar = bytes.find('|');
    const std::u16string first = fromUtf8(bytes.substr(0, bar));
    const std::u16string second = bar == std::string_view::npos ? std::u16string() : fromUtf8(bytes.substr(bar + 1));

    const ParsedVersion low = parseVersion(first, kVersionFillLow);
    const ParsedVersion high = parseVersion(first, kVersionFillHigh);
    checkParsed(first, kVersionFillLow, low);
    checkParsed(first, kVersionFillHigh, high);
    FUZZ_CHECK(low.ok == high.ok);
    FUZZ_CHECK(low.version.groupCount == high.version.groupCount);
    // The fills order the same text's lower bound at or below its upper bound.
    FUZZ_CHECK(compareVersions(low.version, high.version) <= 0);

    checkFormatRoundTrip(low.version);
    checkFormatRoundTrip(high.version);

    const VersionNumber other = parseVersion(second, kVersionFillLow).version;
    checkRelations(low.version, other);
    checkRelations(other, high.version);
    return 0;
}
