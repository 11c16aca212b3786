#include "jre/JreLocator.h"
#include "base/Environment.h"
#include "base/Platform.h"
#include "jre/Bitness.h"
#include "jre/JvmLibrary.h"

namespace launcher {

namespace {

std::optional<RuntimeChoice> fromConfiguredFolder(const RuntimeSearch& s) {
    if (s.configuredFolder.empty()) return std::nullopt;
    JvmLibrary library = findJvmLibrary(withTrailingSeparator(s.configuredFolder), s.criteria.jvmType);
    if (library.path.empty()) return std::nullopt;
    if (libraryTooWide(s.processWidth, library.path)) return RuntimeChoice{library.path, false, true};
    return RuntimeChoice{library.path, needsPairRelaunch(s.hasPair, library.path, s.processWidth)};
}

// A library this process cannot load is no find: the search goes on.
bool fits(const RuntimeSearch& s, const JvmLibrary& library) {
    return !library.path.empty() && !libraryTooWide(s.processWidth, library.path);
}

std::optional<RuntimeChoice> besideLauncher(const RuntimeSearch& s) {
    if (s.launcherFolder.empty()) return std::nullopt;
    std::u16string home = s.launcherFolder;
    if (!isJavaHome(home)) {
        home = withTrailingSeparator(home + u"jre64");
        if (!isJavaHome(home)) return std::nullopt;
    }
    JvmLibrary library = findJvmLibrary(home, s.criteria.jvmType);
    if (!fits(s, library)) return std::nullopt;
    return RuntimeChoice{library.path, false};
}

std::optional<RuntimeChoice> fromRegistry(const RuntimeSearch& s) {
    std::optional<std::u16string> home = runRegistryPass(*s.openRegistry(RegistryView::Native), s.criteria);
    bool wow32 = false;
    // A 32-bit process already sees the 32-bit view as its native one.
    if (!home && s.hasPair && s.processWidth == LibraryWidth::X64) {
        home = runRegistryPass(*s.openRegistry(RegistryView::Wow32), s.criteria);
        wow32 = home.has_value();
    }
    if (!home) return std::nullopt;
    JvmLibrary library = findJvmLibrary(*home, s.criteria.jvmType);
    if (!fits(s, library)) return std::nullopt;
    return RuntimeChoice{library.path, wow32};
}

std::optional<RuntimeChoice> fromJavaHome(const RuntimeSearch& s) {
    static constexpr std::u16string_view kReference = u"%JAVA_HOME%";
    std::u16string expanded = expandEnvironmentCopy(kReference);
    if (expanded.empty() || expanded == kReference) return std::nullopt;
    std::u16string home = withTrailingSeparator(expanded);
    if (!isJavaHome(home)) return std::nullopt;
    JvmLibrary library = findJvmLibrary(home, s.criteria.jvmType);
    if (!fits(s, library)) return std::nullopt;
    return RuntimeChoice{library.path, needsPairRelaunch(s.hasPair, library.path, s.processWidth)};
}

} // namespace

bool needsPairRelaunch(bool hasPair, std::u16string_view jvmPath, LibraryWidth processWidth) {
    return processWidth == LibraryWidth::X64 && hasPair && isX86Library(jvmPath);
}

RuntimeChoice locateRuntime(const RuntimeSearch& search) {
    for (auto step : {&fromConfiguredFolder, &besideLauncher, &fromRegistry, &fromJavaHome}) {
        if (std::optional<RuntimeChoice> choice = step(search)) return *choice;
    }
    return {};
}

} // namespace launcher
