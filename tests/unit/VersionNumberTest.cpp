#include "jre/VersionNumber.h"

#include <gtest/gtest.h>

#include <array>
#include <ostream>

namespace launcher {

// Readable failure output for version values.
void PrintTo(const VersionNumber& v, std::ostream* os) {
    *os << v.parts[0] << '.' << v.parts[1] << '.' << v.parts[2] << '.' << v.parts[3] << " (groups " << v.groupCount
        << ')';
}

namespace {

constexpr int32_t kHigh = kVersionFillHigh;

VersionNumber low(std::u16string_view text) { return parseVersion(text, kVersionFillLow).version; }
VersionNumber high(std::u16string_view text) { return parseVersion(text, kVersionFillHigh).version; }

std::array<int32_t, 4> partsOf(const VersionNumber& v) { return {v.parts[0], v.parts[1], v.parts[2], v.parts[3]}; }

struct ParseCase {
    const char16_t* text;
    int32_t fill;
    std::array<int32_t, 4> parts;
    int32_t groupCount;
    bool ok;
};

class ParseVersionTest : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseVersionTest, ReadsPartsGroupsAndFlag) {
    const ParseCase& c = GetParam();
    ParsedVersion parsed = parseVersion(c.text, c.fill);
    EXPECT_EQ(parsed.ok, c.ok);
    EXPECT_EQ(partsOf(parsed.version), c.parts);
    EXPECT_EQ(parsed.version.groupCount, c.groupCount);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseVersionTest,
    testing::Values(
        ParseCase{u"1.8.0_301", 0, {1, 8, 0, 301}, 4, true},
        ParseCase{u"1.8", 0, {1, 8, 0, 0}, 2, true},
        ParseCase{u"1.8", kHigh, {1, 8, kHigh, kHigh}, 2, true},
        ParseCase{u"11.0.2", 0, {11, 0, 2, 0}, 3, true},
        ParseCase{u"11.0.2", kHigh, {11, 0, 2, kHigh}, 3, true},
        ParseCase{u"17", 0, {17, 0, 0, 0}, 1, true},
        ParseCase{u"17", kHigh, {17, kHigh, kHigh, kHigh}, 1, true},
        ParseCase{u"jdk-17.0.1+12", 0, {17, 0, 1, 12}, 4, true},
        ParseCase{u"1.8.0_301-b09", 0, {1, 8, 0, 301}, 5, true},
        ParseCase{u"1.2.3.4.5.6.7", kHigh, {1, 2, 3, 4}, 5, true},
        // Any run of non-digits separates, however long and whatever it holds.
        ParseCase{u"  v 1 -- 2abc3", 0, {1, 2, 3, 0}, 3, true},
        ParseCase{u"007.08", 0, {7, 8, 0, 0}, 2, true},
        ParseCase{u"1.", kHigh, {1, kHigh, kHigh, kHigh}, 1, true},
        // Only ASCII digits count: a full-width 9 is a separator.
        ParseCase{u"1\uFF19" u"2", 0, {1, 2, 0, 0}, 2, true},
        ParseCase{u"2147483647", 0, {2147483647, 0, 0, 0}, 1, true},
        ParseCase{u"", 0, {0, 0, 0, 0}, 0, false},
        ParseCase{u"", kHigh, {0, 0, 0, 0}, 0, false},
        ParseCase{u"abc", kHigh, {0, 0, 0, 0}, 0, false},
        ParseCase{u"Any", 0, {0, 0, 0, 0}, 0, false},
        ParseCase{u"99999999999", 0, {0, 0, 0, 0}, 0, false},
        ParseCase{u"2147483648", kHigh, {0, 0, 0, 0}, 0, false},
        // An overflow in a later group discards the groups already read.
        ParseCase{u"1.8.99999999999", kHigh, {0, 0, 0, 0}, 0, false},
        // Groups after the fourth are not read, so they cannot overflow.
        ParseCase{u"1.2.3.4.99999999999", 0, {1, 2, 3, 4}, 5, true}));

TEST(CompareVersionsTest, OrdersPartByPartAsSignedNumbers) {
    struct Case {
        VersionNumber a, b;
        int sign;
    };
    const Case cases[] = {
        {makeVersion(1, 8, 0, 0), makeVersion(8, 0, 0, 0), -1},
        {makeVersion(1, 8, 0, 301), makeVersion(11, 0, 0, 0), -1},
        {makeVersion(11, 0, 2, 0), makeVersion(11, 0, 10, 0), -1},
        {makeVersion(17, 0, 0, 1), makeVersion(17, 0, 0, 0), 1},
        {makeVersion(-1, 0, 0, 0), makeVersion(0, 0, 0, 0), -1},
        {makeVersion(0, 0, 0, 2147483647), makeVersion(0, 0, 1, 0), -1},
        // The group count is not part of the value.
        {makeVersion(1, 8, 0, 0, 2), makeVersion(1, 8, 0, 0, 4), 0},
    };
    for (const Case& c : cases) {
        int forward = compareVersions(c.a, c.b);
        int backward = compareVersions(c.b, c.a);
        EXPECT_EQ((forward > 0) - (forward < 0), c.sign) << testing::PrintToString(c.a);
        EXPECT_EQ((backward > 0) - (backward < 0), -c.sign) << testing::PrintToString(c.a);
    }
}

TEST(BoundsTest, MaximumFilledHighAdmitsEveryUpdateOfItsVersion) {
    struct Case {
        const char16_t* min;
        const char16_t* max;
        const char16_t* version;
        bool within;
    };
    const Case cases[] = {
        {u"0", u"1.8", u"1.8", true},
        {u"0", u"1.8", u"1.8.0_301", true},
        {u"0", u"1.8", u"9", false},
        {u"0", u"1.8", u"17", false},
        {u"0", u"8", u"1.8.0_301", true},
        {u"0", u"8", u"8.0.412", true},
        {u"0", u"8", u"11", false},
        {u"1.8", u"65535", u"17", true},
        {u"1.8.0_200", u"65535", u"1.8", false},
        {u"1.8.0_200", u"65535", u"1.8.0_200", true},
        {u"1.8.0_200", u"65535", u"1.8.0_201", true},
        {u"1.8.0_200", u"65535", u"11", true},
        {u"11", u"11", u"11.0.2", true},
        {u"11", u"11", u"12", false},
        // Subkeys without digits parse to 0.0.0.0 and meet the bounds as such.
        {u"0", u"65535", u"Auxiliary", true},
        {u"1.8", u"65535", u"Auxiliary", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isWithinBounds(low(c.version), low(c.min), high(c.max)), c.within)
            << "min " << testing::PrintToString(low(c.min)) << " max " << testing::PrintToString(high(c.max))
            << " version " << testing::PrintToString(low(c.version));
    }
}

TEST(BoundsTest, BothEndsAreInclusive) {
    VersionNumber min = makeVersion(1, 8, 0, 0);
    VersionNumber max = makeVersion(11, 0, 0, 0);
    EXPECT_TRUE(isWithinBounds(min, min, max));
    EXPECT_TRUE(isWithinBounds(max, min, max));
    EXPECT_FALSE(isWithinBounds(makeVersion(1, 7, 65535, 65535), min, max));
    EXPECT_FALSE(isWithinBounds(makeVersion(11, 0, 0, 1), min, max));
    // Inverted bounds admit nothing.
    EXPECT_FALSE(isWithinBounds(makeVersion(5, 0, 0, 0), max, min));
}

TEST(IsUnsetVersionTest, OnlyAllZeroOrAllHighIsUnset) {
    struct Case {
        VersionNumber v;
        bool unset;
    };
    const Case cases[] = {
        {makeVersion(0, 0, 0, 0), true},
        {makeVersion(kHigh, kHigh, kHigh, kHigh), true},
        {makeVersion(0, 0, 0, 0, 0), true},
        {makeVersion(0, 0, 0, 1), false},
        {makeVersion(1, 0, 0, 0), false},
        {makeVersion(1, 8, kHigh, kHigh), false},
        {makeVersion(kHigh, kHigh, kHigh, 0), false},
        {makeVersion(0, kHigh, kHigh, kHigh), false},
        {makeVersion(7, 7, 7, 7), false},
    };
    for (const Case& c : cases) EXPECT_EQ(isUnsetVersion(c.v), c.unset) << testing::PrintToString(c.v);
}

TEST(MatchesPreferredVersionTest, TrailingZerosOfThePreferenceAreWildcards) {
    struct Case {
        const char16_t* candidate;
        const char16_t* preferred;
        bool matches;
    };
    const Case cases[] = {
        {u"1.8.0_301", u"1.8", true},
        {u"1.8", u"1.8", true},
        {u"1.8.0_301", u"1.8.0", true},
        {u"1.7.0_80", u"1.8", false},
        {u"11", u"11", true},
        {u"11.0.2", u"11", true},
        {u"11.0.2.7", u"11.0.2", true},
        {u"11.0.3", u"11.0.2", false},
        {u"11.0.20", u"11.0.2", false},
        {u"1.11", u"1.1", false},
        {u"1.8.0_301", u"1.8.0_0", true},
        {u"1.8.0_301", u"1.8.0_301", true},
        {u"1.8.0_302", u"1.8.0_301", false},
        // A zero inside the preference counts.
        {u"11.1.2", u"11.0.2", false},
        {u"17", u"1.8", false},
        // Entries without digits prefer nothing in particular.
        {u"17.0.1", u"", true},
        {u"1.8", u"latest", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(matchesPreferredVersion(low(c.candidate), low(c.preferred)), c.matches)
            << testing::PrintToString(low(c.candidate)) << " vs " << testing::PrintToString(low(c.preferred));
    }
}

TEST(FormatVersionTest, StopsAtTheLastMeaningfulPartButPrintsTwoAtLeast) {
    struct Case {
        VersionNumber v;
        const char16_t* text;
    };
    const Case cases[] = {
        {makeVersion(1, 8, 0, 301), u"1.8.0.301"},
        {makeVersion(1, 8, kHigh, kHigh), u"1.8"},
        {makeVersion(11, 0, 0, 0), u"11.0"},
        {makeVersion(17, kHigh, kHigh, kHigh), u"17.65535"},
        {makeVersion(17, 0, 1, 0), u"17.0.1"},
        {makeVersion(1, kHigh, 3, 0), u"1.65535.3"},
        {makeVersion(0, 0, 0, 7), u"0.0.0.7"},
        {makeVersion(0, 5, 0, 0), u"0.5"},
        {makeVersion(0, 0, 0, 0), u"0.0.0.0"},
        {makeVersion(kHigh, kHigh, kHigh, kHigh), u"0.0.0.0"},
        {makeVersion(kHigh, 0, kHigh, 0), u"0.0.0.0"},
        {makeVersion(2147483647, 65536, 0, 0), u"2147483647.65536"},
        {makeVersion(-3, 0, 0, 0), u"-3.0"},
    };
    for (const Case& c : cases) EXPECT_EQ(formatVersion(c.v), c.text) << testing::PrintToString(c.v);
}

TEST(FormatVersionTest, ShowsBoundsAsTheyWereConfigured) {
    EXPECT_EQ(formatVersion(low(u"11")), u"11.0");
    EXPECT_EQ(formatVersion(high(u"1.8")), u"1.8");
    EXPECT_EQ(formatVersion(high(u"17")), u"17.65535");
    EXPECT_EQ(formatVersion(low(u"1.8.0_301")), u"1.8.0.301");
}

} // namespace
} // namespace launcher
