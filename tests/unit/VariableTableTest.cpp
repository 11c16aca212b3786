// The environment variables the launcher reads, and what a start that
// leaves the user's sources out (an elevated start) does with each.

#include "base/Platform.h"
#include "base/VariableTable.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

// Every variable the launcher reads by name. One the code reads that is not
// here is not read at all (readVariable refuses it); one added to the table
// must be added here, with what an elevated start does with it.
TEST(VariableTable, EveryVariableTheLauncherReads) {
    using enum LeftOutUse;
    constexpr VariablePlatform kAll = VariablePlatform::Both, kWin = VariablePlatform::Windows,
                               kLin = VariablePlatform::Linux;
    const struct {
        std::u16string_view name;
        VariablePlatform platform;
        LeftOutUse leftOut;
    } rows[] = {
        {u"QX_LAUNCHER_TRACE", kAll, ListedValues},
        {u"QX_LAUNCHER_STARTUP_CACHE_ASSEMBLY", kAll, RefusesStart},
        {u"QX_LAUNCHER_ARM64_HANDOVER", kWin, Flag},
        {u"QX_LAUNCHER_RUNTIME_FEED_FAILED", kAll, Read},
        {u"JAVA_HOME", kAll, Ignored},
        {u"APPDATA", kWin, Ignored},
        {u"LOCALAPPDATA", kWin, Ignored},
        {u"USERPROFILE", kWin, Ignored},
        {u"ProgramFiles", kWin, SystemValue},
        {u"ProgramFiles(x86)", kWin, SystemValue},
        {u"HOME", kLin, Ignored},
        {u"XDG_CONFIG_HOME", kLin, Ignored},
        {u"XDG_DATA_HOME", kLin, Ignored},
        {u"XDG_CACHE_HOME", kLin, Ignored},
        {u"SDKMAN_DIR", kLin, Ignored},
        {u"ASDF_DATA_DIR", kLin, Ignored},
        {u"XDG_RUNTIME_DIR", kLin, Read},
        {u"JAVA_TOOL_OPTIONS", kAll, Removed},
        {u"_JAVA_OPTIONS", kAll, Removed},
        {u"OPENJ9_JAVA_OPTIONS", kAll, Removed},
        {u"IBM_JAVA_OPTIONS", kAll, Removed},
        {u"IBM_JAVA_JITLIB", kAll, Removed},
        {u"JAVA_DUMP_TOOL", kAll, Removed},
    };
    ASSERT_EQ(variableTable().size(), std::size(rows));
    for (const auto& row : rows) {
        const bool windows = row.platform != kLin;
        const VariableRule* rule = findVariableRule(row.name, windows);
        ASSERT_NE(rule, nullptr) << toUtf8(row.name);
        EXPECT_EQ(rule->platform, row.platform) << toUtf8(row.name);
        EXPECT_EQ(rule->leftOut, row.leftOut) << toUtf8(row.name);
        if (row.platform != kAll) {
            EXPECT_EQ(findVariableRule(row.name, !windows), nullptr) << toUtf8(row.name);
        }
    }
    EXPECT_EQ(runtimeOptionVariables().size(), 6u);
}

TEST(VariableTable, WhatAStartDoesWithEachValue) {
    constexpr VariableAction kUse = VariableAction::Use, kSystem = VariableAction::UseSystemValue,
                             kIgnore = VariableAction::Ignore, kRefuse = VariableAction::RefuseStart;
    const struct {
        const char* label;
        std::u16string_view name;
        std::optional<std::u16string> value;
        bool windows, leftOut;
        VariableAction action;
    } cases[] = {
        {"trace to standard error, elevated", u"QX_LAUNCHER_TRACE", u"stderr", true, true, kUse},
        {"trace to a file, elevated", u"QX_LAUNCHER_TRACE", u"C:\\Windows\\x.dll", true, true, kIgnore},
        {"trace to STDERR, elevated", u"QX_LAUNCHER_TRACE", u"STDERR", true, true, kIgnore},
        {"trace to a file, a user's start", u"QX_LAUNCHER_TRACE", u"trace.log", true, false, kUse},
        {"the flag", u"QX_LAUNCHER_ARM64_HANDOVER", u"from-x64", true, true, kUse},
        {"a path as the flag", u"QX_LAUNCHER_ARM64_HANDOVER", u"C:\\App\\../Users/Public/evil.exe", true, false, kIgnore},
        {"the flag in capitals", u"QX_LAUNCHER_ARM64_HANDOVER", u"FROM-X64", true, true, kIgnore},
        {"the flag on Linux", u"QX_LAUNCHER_ARM64_HANDOVER", u"from-x64", false, false, kIgnore},
        {"an assembly, elevated", u"QX_LAUNCHER_STARTUP_CACHE_ASSEMBLY", u"aot1;x", false, true, kRefuse},
        {"an assembly, a user's start", u"QX_LAUNCHER_STARTUP_CACHE_ASSEMBLY", u"aot1;x", true, false, kUse},
        {"a user's folder, elevated", u"LOCALAPPDATA", u"C:\\Users\\u\\AppData\\Local", true, true, kIgnore},
        {"JAVA_HOME, elevated", u"JAVA_HOME", u"/home/u/jdk", false, true, kIgnore},
        {"the program folder, elevated", u"programfiles", u"C:\\Users\\Public", true, true, kSystem},
        {"the socket's folder, set-id", u"XDG_RUNTIME_DIR", u"/run/user/1000", false, true, kUse},
        {"a runtime's option variable", u"IBM_JAVA_JITLIB", u"C:\\jit", true, true, kUse},
        {"Linux names are exact", u"home", u"/home/u", false, false, kIgnore},
        {"not set", u"LOCALAPPDATA", std::nullopt, true, true, kUse},
        {"not in the table", u"QX_LAUNCHER_OTHER", u"x", true, false, kIgnore},
    };
    for (const auto& c : cases) {
        const VariableDecision decision = decideVariable(c.name, c.value, c.windows, c.leftOut);
        EXPECT_EQ(decision.action, c.action) << c.label;
        // What is not used says why.
        EXPECT_EQ(decision.why.empty(), c.action == kUse || c.action == kSystem) << c.label;
    }
}

// The accessor: reads by the table, and keeps what it ignored apart from
// what the launcher may use.
TEST(VariableTable, ReadVariableFollowsTheTable) {
    const std::u16string folder = kWindows ? u"LOCALAPPDATA" : u"XDG_CACHE_HOME";
    test::EnvironmentOverride user(folder, u"planted");
    test::EnvironmentOverride trace(u"QX_LAUNCHER_TRACE", u"trace.log");
    test::EnvironmentOverride unknown(u"QX_LAUNCHER_OTHER", u"x");
    EXPECT_EQ(readVariable(folder).value, u"planted");
    EXPECT_EQ(readVariable(u"QX_LAUNCHER_OTHER").value, std::nullopt);
    EXPECT_FALSE(readVariable(u"QX_LAUNCHER_OTHER").present);
    leaveOutUserVariables(u"the process runs elevated");
    const VariableReading left = readVariable(folder);
    const VariableReading traced = readVariable(u"QX_LAUNCHER_TRACE");
    readUserVariablesAgain();
    EXPECT_EQ(left.value, std::nullopt);
    EXPECT_TRUE(left.present);
    EXPECT_EQ(left.ignoredValue, u"planted");
    EXPECT_EQ(left.ignored, u"a setting of the user's: the process runs elevated");
    EXPECT_EQ(traced.value, std::nullopt);
    EXPECT_EQ(traced.ignored, u"only \"1\" and \"stderr\" are followed: the process runs elevated");
    EXPECT_EQ(readVariable(folder).value, u"planted");
}

} // namespace
} // namespace launcher
