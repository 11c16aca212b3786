#include "vmopts/VmOptionsBuilder.h"

#include "base/Environment.h"
#include "config/CommandLine.h"
#include "config/SettingsReader.h"
#include "vmopts/ClassPath.h"
#include "vmopts/LibraryPath.h"
#include "vmopts/VmParameters.h"

namespace launcher {

namespace {

std::u16string readKey(IniSource& ini, std::u16string_view section, std::u16string_view key) {
    std::u16string value;
    ini.getString(section, key, value);
    return value;
}

} // namespace

VmOptionSettings readVmOptionSettings(IniSource& ini) {
    VmOptionSettings settings;
    settings.classPath = readKey(ini, kClassPathSection, kClassPathKey);
    settings.embeddedJar = readKey(ini, kApplicationSection, kEmbeddedJarKey);
    settings.vmParameters = readKey(ini, kJreSection, kVmParametersKey);
    settings.cmd = readKey(ini, kApplicationSection, kCmdKey);
    return settings;
}

TextList vmParameterOptions(std::u16string_view parameters, const MemoryFigures& memory, uint64_t& stackSize) {
    TextList options = splitVmParameters(parameters);
    for (std::u16string& option : options) {
        // The memory rules see the option as the runtime will, so a quoted
        // share is rewritten like an unquoted one.
        stripQuotes(option);
        if (isRelativeMemoryOption(option)) option = rewriteRelativeMemoryOption(option, memory);
        if (startsWith(option, u"-Xss")) stackSize = stackSizeFrom(option);
    }
    return options;
}

TextList cmdArgumentsFrom(std::u16string_view cmd) {
    TextList arguments;
    if (cmd.empty()) return arguments;
    for (std::u16string& argument : splitCommandLine(expandEnvironmentCopy(cmd))) {
        if (!argument.empty()) arguments.push_back(std::move(argument));
    }
    return arguments;
}

VmOptionsOutcome buildVmOptions(const VmOptionSettings& settings, std::u16string_view modulePath,
                                const MemoryFigures& memory, VmOptionList& options, const LeadingOptions& leading) {
    VmOptionsOutcome outcome;
    std::u16string classPath = composeClassPath(settings.classPath, modulePath, isYes(settings.embeddedJar));
    if (classPath.empty()) {
        outcome.classPathMissing = true;
        return outcome;
    }

    TextList working{u"-Djava.class.path=" + classPath};
    for (std::u16string& option : vmParameterOptions(settings.vmParameters, memory, outcome.stackSize)) {
        working.push_back(std::move(option));
    }
    // Expanding after the split keeps a value with spaces in one option.
    // An empty option ("" or a reference to an empty variable) is no
    // option; the runtime would refuse it as unrecognised.
    for (std::u16string& option : working) expandEnvironment(option);
    std::erase_if(working, [](const std::u16string& option) { return option.empty(); });
    outcome.libraryPathFolders =
        libraryPathOptionFolders(TextList(working.begin() + 1, working.end()), launcherFolderOf(modulePath));
    if (leading) {
        static constexpr size_t kClassPathPrefix = std::u16string_view(u"-Djava.class.path=").size();
        const TextList parameters(working.begin() + 1, working.end());
        const TextList extra = leading(std::u16string_view(working.front()).substr(kClassPathPrefix), parameters);
        working.insert(working.begin() + 1, extra.begin(), extra.end());
    }
    for (const std::u16string& option : working) options.append(option);
    outcome.cmdArguments = cmdArgumentsFrom(settings.cmd);
    return outcome;
}

} // namespace launcher
