#include "base/VariableTable.h"

#include <algorithm>

namespace launcher {

namespace {

constexpr std::u16string_view kTraceVariableValues[] = {u"1", u"stderr"};
constexpr std::u16string_view kHandOverVariableValues[] = {u"from-x64", u"returned"};

constexpr VariablePlatform kBoth = VariablePlatform::Both, kWindowsOnly = VariablePlatform::Windows,
                           kLinuxOnly = VariablePlatform::Linux;

constexpr VariableRule kVariableRules[] = {
    {u"QX_LAUNCHER_TRACE", kBoth, LeftOutUse::ListedValues, kTraceVariableValues,
     u"the launch trace: standard error, or a file"},
    {u"QX_LAUNCHER_STARTUP_CACHE_ASSEMBLY", kBoth, LeftOutUse::RefusesStart, {},
     u"a step of the start-up cache's assembly"},
    {u"QX_LAUNCHER_ARM64_HANDOVER", kWindowsOnly, LeftOutUse::Flag, kHandOverVariableValues,
     u"the hand-over between the x64 launcher and its ARM64 sibling"},
    // Set by a start whose newest runtime of the feed failed, for the start
    // it relaunches; the value only ever makes a start skip that runtime.
    {u"QX_LAUNCHER_RUNTIME_FEED_FAILED", kBoth, LeftOutUse::Read, {},
     u"the runtime of the feed that failed to start, for the start relaunched on the one it replaced"},
    {u"JAVA_HOME", kBoth, LeftOutUse::Ignored, {}, u"a runtime the search looks at first"},
    {u"APPDATA", kWindowsOnly, LeftOutUse::Ignored, {}, u"the per-user INI file's folder"},
    {u"LOCALAPPDATA", kWindowsOnly, LeftOutUse::Ignored, {},
     u"the pinned runtime, the start-up cache and the user's runtimes"},
    {u"USERPROFILE", kWindowsOnly, LeftOutUse::Ignored, {}, u"the user's runtimes (.jdks, .gradle\\jdks)"},
    {u"ProgramFiles", kWindowsOnly, LeftOutUse::SystemValue, {}, u"the program folder searched for runtimes"},
    {u"ProgramFiles(x86)", kWindowsOnly, LeftOutUse::SystemValue, {}, u"the 32-bit program folder searched"},
    {u"HOME", kLinuxOnly, LeftOutUse::Ignored, {}, u"the user's folders: settings, cache, data, runtimes"},
    {u"XDG_CONFIG_HOME", kLinuxOnly, LeftOutUse::Ignored, {}, u"the per-user INI file's folder"},
    {u"XDG_DATA_HOME", kLinuxOnly, LeftOutUse::Ignored, {}, u"the pinned runtime's folder"},
    {u"XDG_CACHE_HOME", kLinuxOnly, LeftOutUse::Ignored, {}, u"the start-up cache's folder"},
    {u"SDKMAN_DIR", kLinuxOnly, LeftOutUse::Ignored, {}, u"the user's runtimes installed by SDKMAN!"},
    {u"ASDF_DATA_DIR", kLinuxOnly, LeftOutUse::Ignored, {}, u"the user's runtimes installed by asdf"},
    // Taken only when it is a folder of the user's own that nobody else can
    // write (the single-instance code checks), for a socket that only that
    // user's starts meet at.
    {u"XDG_RUNTIME_DIR", kLinuxOnly, LeftOutUse::Read, {}, u"the single-instance socket's folder"},
    // The runtime takes options from these itself: an "-agentpath:" loads
    // any library, IBM_JAVA_JITLIB names the JIT library's folder and
    // JAVA_DUMP_TOOL a program to run (the last four are OpenJ9's).
    {u"JAVA_TOOL_OPTIONS", kBoth, LeftOutUse::Removed, {}, u"the runtime's options"},
    {u"_JAVA_OPTIONS", kBoth, LeftOutUse::Removed, {}, u"the runtime's options"},
    {u"OPENJ9_JAVA_OPTIONS", kBoth, LeftOutUse::Removed, {}, u"the runtime's options (OpenJ9)"},
    {u"IBM_JAVA_OPTIONS", kBoth, LeftOutUse::Removed, {}, u"the runtime's options (OpenJ9)"},
    {u"IBM_JAVA_JITLIB", kBoth, LeftOutUse::Removed, {}, u"the folder of the JIT library (OpenJ9)"},
    {u"JAVA_DUMP_TOOL", kBoth, LeftOutUse::Removed, {}, u"a program run on a dump (OpenJ9)"},
};

bool ruleOnPlatform(const VariableRule& rule, bool windows) {
    return rule.platform == VariablePlatform::Both || (rule.platform == VariablePlatform::Windows) == windows;
}

bool valueListed(const VariableRule& rule, std::u16string_view value) {
    return std::find(rule.values.begin(), rule.values.end(), value) != rule.values.end();
}

std::u16string listedValuesText(const VariableRule& rule) {
    std::u16string text;
    for (size_t i = 0; i < rule.values.size(); ++i) {
        if (i > 0) text.append(i + 1 == rule.values.size() ? u" and " : u", ");
        text.append(u"\"").append(rule.values[i]).append(u"\"");
    }
    return text;
}

} // namespace

std::span<const VariableRule> variableTable() { return kVariableRules; }

const VariableRule* findVariableRule(std::u16string_view name, bool windows) {
    for (const VariableRule& rule : kVariableRules) {
        if (!ruleOnPlatform(rule, windows)) continue;
        if (windows ? equalsIgnoreCase(rule.name, name) : rule.name == name) return &rule;
    }
    return nullptr;
}

std::vector<std::u16string_view> runtimeOptionVariables() {
    std::vector<std::u16string_view> names;
    for (const VariableRule& rule : kVariableRules) {
        if (rule.leftOut == LeftOutUse::Removed) names.push_back(rule.name);
    }
    return names;
}

VariableDecision decideVariable(std::u16string_view name, const std::optional<std::u16string>& value, bool windows,
                                bool userSourcesLeftOut) {
    const VariableRule* rule = findVariableRule(name, windows);
    if (!rule) {
        if (findVariableRule(name, !windows)) {
            if (!value) return {};
            return {VariableAction::Ignore, windows ? u"only the Linux launcher reads it" : u"only the Windows launchers read it"};
        }
        // A programming slip, named even when the variable is not set.
        return {VariableAction::Ignore, u"it is not in the launcher's table of variables"};
    }
    if (!value) return {};
    if (rule->leftOut == LeftOutUse::Flag && !valueListed(*rule, *value)) {
        return {VariableAction::Ignore, u"its values are " + listedValuesText(*rule)};
    }
    if (!userSourcesLeftOut) return {};
    switch (rule->leftOut) {
    case LeftOutUse::Read:
    case LeftOutUse::Flag:
    case LeftOutUse::Removed:
        return {};
    case LeftOutUse::Ignored:
        return {VariableAction::Ignore, u"a setting of the user's", true};
    case LeftOutUse::SystemValue:
        return {VariableAction::UseSystemValue, {}, true};
    case LeftOutUse::ListedValues:
        if (valueListed(*rule, *value)) return {};
        return {VariableAction::Ignore, u"only " + listedValuesText(*rule) + u" are followed", true};
    case LeftOutUse::RefusesStart:
        return {VariableAction::RefuseStart, u"the request is refused", true};
    }
    return {};
}

} // namespace launcher
