// Environment variables read whole, and %NAME% expansion: the rule over a
// fixed table, then the process environment of the platform.

#include "base/Environment.h"
#include "base/RawVariable.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>

namespace launcher {
namespace {

struct ExpandCase {
    const char* label;
    std::u16string text;
    std::u16string expanded;
};
void PrintTo(const ExpandCase& c, std::ostream* os) { *os << c.label; }

class ExpandReferencesTest : public testing::TestWithParam<ExpandCase> {};

TEST_P(ExpandReferencesTest, Rule) {
    const std::map<std::u16string, std::u16string, std::less<>> variables = {
        {u"FOO", u"bar"}, {u"EMPTY", u""}, {u"PCT", u"%FOO%"}, {u"A B", u"spaced"}, {u"PATH", u"C:\\bin;D:\\x"},
    };
    auto lookup = [&](std::u16string_view name) -> std::optional<std::u16string> {
        auto found = variables.find(name);
        if (found == variables.end()) return std::nullopt;
        return found->second;
    };
    EXPECT_EQ(expandReferences(GetParam().text, lookup), GetParam().expanded);
}

// The cases agree with what ExpandEnvironmentStringsW gives for the same
// variables (checked on Windows by the Win32 suite).
INSTANTIATE_TEST_SUITE_P(
    Texts, ExpandReferencesTest,
    testing::Values(ExpandCase{"Whole", u"%FOO%", u"bar"},
                    ExpandCase{"InText", u"a%FOO%b", u"abarb"},
                    ExpandCase{"Twice", u"%FOO%%FOO%", u"barbar"},
                    ExpandCase{"EmptyValue", u"x%EMPTY%y", u"xy"},
                    ExpandCase{"NameWithSpace", u"%A B%", u"spaced"},
                    ExpandCase{"ValueIsNotExpandedAgain", u"%PCT%", u"%FOO%"},
                    ExpandCase{"UndefinedStays", u"%NOPE%", u"%NOPE%"},
                    ExpandCase{"UndefinedThenDefined", u"%NOPE%%FOO%", u"%NOPE%bar"},
                    ExpandCase{"ScanGoesOnAfterAnUndefinedReference", u"%NOPE%FOO%", u"%NOPE%FOO%"},
                    ExpandCase{"PercentAfterAValue", u"%FOO%FOO%", u"barFOO%"},
                    ExpandCase{"LonePercent", u"100%", u"100%"},
                    ExpandCase{"OnlyPercent", u"%", u"%"},
                    ExpandCase{"Unterminated", u"%FOO", u"%FOO"},
                    ExpandCase{"DoublePercent", u"%%", u"%%"},
                    ExpandCase{"DoublePercentAroundName", u"%%FOO%%", u"%%FOO%%"},
                    ExpandCase{"TrailingPercentAfterValue", u"%FOO%%", u"bar%"},
                    ExpandCase{"ThreePercents", u"%%%", u"%%%"},
                    ExpandCase{"ValueWithSeparators", u"%PATH%;E:\\", u"C:\\bin;D:\\x;E:\\"},
                    ExpandCase{"NoReferences", u"plain text", u"plain text"},
                    ExpandCase{"Empty", u"", u""}),
    [](const testing::TestParamInfo<ExpandCase>& info) { return std::string(info.param.label); });

// Variable names of this suite, unlikely to be set by anyone else.
constexpr std::u16string_view kValue = u"LAUNCHER_ENVTEST_VALUE";
constexpr std::u16string_view kEmpty = u"LAUNCHER_ENVTEST_EMPTY";
constexpr std::u16string_view kUnset = u"LAUNCHER_ENVTEST_UNSET";
constexpr std::u16string_view kRef = u"LAUNCHER_ENVTEST_REF";

TEST(EnvironmentVariable, UnsetEmptyAndSetAreThreeStates) {
    ASSERT_TRUE(setEnvironmentVariable(kEmpty, u""));
    ASSERT_TRUE(setEnvironmentVariable(kValue, u"v\u00e9\u20ac\U0001D11E"));
    unsetEnvironmentVariable(kUnset);

    EXPECT_EQ(getEnvironmentVariable(kEmpty), std::u16string());
    EXPECT_EQ(getEnvironmentVariable(kValue), u"v\u00e9\u20ac\U0001D11E");
    EXPECT_EQ(getEnvironmentVariable(kUnset), std::nullopt);

    EXPECT_TRUE(unsetEnvironmentVariable(kEmpty));
    EXPECT_EQ(getEnvironmentVariable(kEmpty), std::nullopt);
    unsetEnvironmentVariable(kValue);
}

TEST(EnvironmentVariable, LongValueIsReadWhole) {
    std::u16string value;
    for (int i = 0; value.size() < 20000; ++i) value += u"segment" + toDecimal(i) + u";";
    ASSERT_TRUE(setEnvironmentVariable(kValue, value));
    EXPECT_EQ(getEnvironmentVariable(kValue), value);

    std::u16string text = u"[%" + std::u16string(kValue) + u"%]";
    EXPECT_EQ(expandEnvironmentCopy(text), u"[" + value + u"]");
    unsetEnvironmentVariable(kValue);
}

TEST(ExpandEnvironment, UsesTheProcessEnvironment) {
    test::EnvironmentOverride value(std::u16string(kValue), u"C:\\data");
    test::EnvironmentOverride reference(std::u16string(kRef), u"%" + std::u16string(kValue) + u"%");
    unsetEnvironmentVariable(kUnset);
    const std::u16string v(kValue), r(kRef), u(kUnset);

    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"%" + v + u"%\\logs", u"C:\\data\\logs"},
        // Names are compared without regard to case, as on Windows.
        {u"%launcher_envtest_value%", u"C:\\data"},
        {u"%Launcher_EnvTest_Value%", u"C:\\data"},
        {u"%" + u + u"%", u"%" + u + u"%"},
        {u"%" + r + u"%", u"%" + v + u"%"},
        {u"50% of %" + v + u"%", u"50% of %" + v + u"%"},
    };
    for (const auto& [text, expanded] : cases) {
        std::u16string inPlace = text;
        expandEnvironment(inPlace);
        EXPECT_EQ(inPlace, expanded) << toUtf8(text);
    }
}

// A class path of many jars is longer than the 32767 characters that
// Windows' own expansion takes; it is expanded whole, and so is a short
// text whose values make it that long.
TEST(ExpandEnvironment, LongerThanTheSystemTakesIsKeptWhole) {
    test::EnvironmentOverride value(std::u16string(kValue), std::u16string(20000, u'v'));
    const std::u16string v(kValue);
    const std::u16string entries = [] {
        std::u16string list;
        for (int i = 0; list.size() < 40000; ++i) list += u"C:\\app\\lib\\part" + toDecimal(i) + u".jar;";
        return list;
    }();
    const std::pair<std::u16string, std::u16string> cases[] = {
        {entries, entries},
        {entries + u"%" + v + u"%;50%", entries + std::u16string(20000, u'v') + u";50%"},
        {u"[%" + v + u"%][%" + v + u"%]", u"[" + std::u16string(20000, u'v') + u"][" + std::u16string(20000, u'v') + u"]"},
    };
    for (const auto& [text, expanded] : cases) {
        const std::u16string result = expandEnvironmentCopy(text);
        EXPECT_EQ(result.size(), expanded.size());
        EXPECT_TRUE(result == expanded) << toUtf8(text.substr(0, 40));
    }
}

TEST(ExpandEnvironment, CopyLeavesTheInputAlone) {
    test::EnvironmentOverride value(std::u16string(kValue), u"x");
    const std::u16string text = u"a%" + std::u16string(kValue) + u"%b";
    std::u16string copy = expandEnvironmentCopy(text);
    EXPECT_EQ(copy, u"axb");
    EXPECT_EQ(text, u"a%" + std::u16string(kValue) + u"%b");
}

} // namespace
} // namespace launcher
