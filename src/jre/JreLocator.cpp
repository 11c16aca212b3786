#include "jre/JreLocator.h"
#include "base/VariableTable.h"
#include "base/FileFinder.h"
#include "base/Platform.h"
#include "base/Trace.h"
#include "jre/Bitness.h"
#include "jre/JvmLibrary.h"
#include "jre/RuntimeFolders.h"
#include "jre/RuntimeTrace.h"

namespace launcher {

namespace {

// A runtime folder the search was pointed at: taken when it holds a library.
std::optional<JvmLibrary> probeNamedFolder(std::u16string_view what, const std::u16string& home, JvmTypeCode type,
                                           JreFolder jre = JreFolder::Probed) {
    JvmLibrary library = findJvmLibrary(home, type, jre);
    if (library.path.empty()) {
        if (trace::on()) trace::say({what, u" ", home, u": rejected: ", libraryRejection(home, type)});
        return std::nullopt;
    }
    if (trace::on()) {
        // Taken whatever its version, which the trace still names, as it
        // does for every runtime the search meets.
        const std::u16string version = releaseVersion(home);
        trace::say({what, u" ", home, u": chosen, ", flavourOfLibrary(library.path), u" library, version ",
                    version.empty() ? u"unknown (no release file names it)" : version});
    }
    return library;
}

// A runtime named outright is taken whatever its bitness; the trace warns
// where that cannot work.
void traceBitness(const RuntimeSearch& s, const std::u16string& library) {
    if (trace::on() && kWindows && !s.hasPair && s.processWidth == LibraryWidth::X64 && isX86Library(library)) {
        trace::line(u"warning: that runtime is 32-bit and no \"Pair Product\" is configured: this 64-bit launcher "
                    u"cannot load it");
    }
}

std::optional<RuntimeChoice> fromConfiguredFolder(const RuntimeSearch& s) {
    if (s.configuredFolder.empty()) {
        if (trace::on()) trace::line(u"runtime search: no \"JRE Path\" configured");
        return std::nullopt;
    }
    std::optional<JvmLibrary> library =
        probeNamedFolder(u"\"JRE Path\"", withTrailingSeparator(s.configuredFolder), s.criteria.jvmType);
    if (!library) return std::nullopt;
    if (libraryTooWide(s.processWidth, library->path)) return RuntimeChoice{library->path, false, true};
    if (trace::on()) {
        LibraryImage image = inspectLibrary(library->path);
        if (imageUse(image, s.processWidth) == ImageUse::Refused) {
            trace::say({u"warning: ", imageRejection(image, s.processWidth), u": ", library->path});
        }
    }
    traceBitness(s, library->path);
    return RuntimeChoice{library->path, needsPairRelaunch(s.hasPair, library->path, s.processWidth)};
}

// The runtime installed from the vendor's pinned download. Its folder is
// renamed into place whole, so a folder that is there is complete; it must
// still hold a library of the launcher's own width, as the install checked.
std::optional<RuntimeChoice> fromPinnedRuntime(const RuntimeSearch& s) {
    if (s.pinnedFolder.empty()) return std::nullopt;
    if (!s.criteria.includeUserSources) {
        if (trace::on()) trace::say({u"pinned runtime ", s.pinnedFolder, u": left out, as the user can write its folder"});
        return std::nullopt;
    }
    if (!pathExists(s.pinnedFolder)) {
        if (trace::on()) trace::say({u"pinned runtime ", s.pinnedFolder, u": not installed"});
        return std::nullopt;
    }
    JvmLibrary library = findJvmLibrary(s.pinnedFolder, s.criteria.jvmType);
    std::u16string rejection = library.path.empty() ? libraryRejection(s.pinnedFolder, s.criteria.jvmType)
                                                    : imageRejection(inspectLibrary(library.path), s.processWidth);
    if (!rejection.empty()) {
        if (trace::on()) trace::say({u"pinned runtime ", s.pinnedFolder, u": rejected: ", rejection});
        return std::nullopt;
    }
    if (trace::on()) trace::say({u"pinned runtime ", s.pinnedFolder, u": chosen, ", flavourOfLibrary(library.path), u" library"});
    return RuntimeChoice{library.path, false};
}

// A library this process cannot load is no find: the search goes on. A
// 32-bit one in the x64 launcher is left to the pair logic. On ARM64
// Windows the x64 and ARM64 runtimes share the registry view and the
// program folders, so the header decides for each candidate.
bool fits(const RuntimeSearch& s, const JvmLibrary& library) {
    if (library.path.empty()) return false;
    LibraryImage image = inspectLibrary(library.path);
    if (imageUse(image, s.processWidth) != ImageUse::Refused) return true;
    if (trace::on()) trace::say({library.path, u": rejected: ", imageRejection(image, s.processWidth)});
    return false;
}

std::optional<RuntimeChoice> besideLauncher(const RuntimeSearch& s) {
    if (s.launcherFolder.empty()) return std::nullopt;
    // The application's own runtime is its folder or jre64, never a jre
    // folder beside it.
    std::u16string home = s.launcherFolder;
    if (!isJavaHome(home, JreFolder::Ignored)) {
        home = withTrailingSeparator(home + u"jre64");
        if (!isJavaHome(home, JreFolder::Ignored)) {
            if (trace::on()) trace::say({u"runtime search: no runtime beside the launcher in ", s.launcherFolder, u" or its jre64"});
            return std::nullopt;
        }
    }
    std::optional<JvmLibrary> library =
        probeNamedFolder(u"runtime beside the launcher", home, s.criteria.jvmType, JreFolder::Ignored);
    if (!library || !fits(s, *library)) return std::nullopt;
    return RuntimeChoice{library->path, false};
}

std::optional<RuntimeChoice> fromRegistry(const RuntimeSearch& s) {
    if (trace::on()) trace::line(kWindows ? u"runtime search: installed 64-bit runtimes" : u"runtime search: installed runtimes");
    if (!s.criteria.includeUserSources && trace::on()) {
        trace::line(u"runtime search: the user's own runtime keys and folders are left out");
    }
    const bool user = s.criteria.includeUserSources;
    std::optional<JreCandidate> found = chooseRegisteredRuntime(*s.openRegistry(RegistryView::Native, user), s.criteria);
    bool wow32 = false;
    // A 32-bit process already sees the 32-bit view as its native one.
    if (!found && s.hasPair && s.processWidth == LibraryWidth::X64) {
        if (trace::on()) trace::line(u"runtime search: installed 32-bit runtimes, for the paired launcher");
        found = chooseRegisteredRuntime(*s.openRegistry(RegistryView::Wow32, user), s.criteria);
        wow32 = found.has_value();
    } else if (!found && kWindows && trace::on() && s.processWidth == LibraryWidth::X64) {
        trace::line(u"runtime search: 32-bit runtimes are not searched: no \"Pair Product\" is configured");
    }
    if (!found && trace::on()) trace::line(u"runtime search: no installed runtime fits");
    if (!found) return std::nullopt;
    JvmLibrary library = findJvmLibrary(found->home, s.criteria.jvmType);
    if (!fits(s, library)) return std::nullopt;
    return RuntimeChoice{library.path, wow32, false, found->version};
}

std::optional<RuntimeChoice> fromJavaHome(const RuntimeSearch& s) {
    if (!s.criteria.includeUserSources) {
        if (trace::on()) trace::line(u"runtime search: JAVA_HOME is left out, as the user's own setting");
        return std::nullopt;
    }
    const std::optional<std::u16string> value = readVariable(u"JAVA_HOME").value;
    if (!value || value->empty()) {
        if (trace::on()) trace::line(u"runtime search: JAVA_HOME is not set");
        return std::nullopt;
    }
    std::u16string home = withTrailingSeparator(*value);
    if (!isJavaHome(home)) {
        if (trace::on()) {
            trace::say({u"JAVA_HOME ", home, u": rejected: not a runtime folder (its runtime's own library is missing, "
                                           u"in it and in its jre folder)"});
        }
        return std::nullopt;
    }
    std::optional<JvmLibrary> library = probeNamedFolder(u"JAVA_HOME", home, s.criteria.jvmType);
    if (!library || !fits(s, *library)) return std::nullopt;
    traceBitness(s, library->path);
    return RuntimeChoice{library->path, needsPairRelaunch(s.hasPair, library->path, s.processWidth)};
}

} // namespace

bool needsPairRelaunch(bool hasPair, std::u16string_view jvmPath, LibraryWidth processWidth) {
    return processWidth == LibraryWidth::X64 && hasPair && isX86Library(jvmPath);
}

RuntimeChoice locateRuntime(const RuntimeSearch& search) {
    if (trace::on()) {
        trace::say({u"runtime search: the runtime must be ", architectureName(search.processWidth),
                    u", as this launcher is"});
    }
    for (auto step : {&fromConfiguredFolder, &fromPinnedRuntime, &besideLauncher, &fromRegistry, &fromJavaHome}) {
        if (std::optional<RuntimeChoice> choice = step(search)) return *choice;
    }
    return {};
}

} // namespace launcher
