#include "jre/RegistryPass.h"
#include "base/Platform.h"
#include "base/Trace.h"
#include "jre/RuntimeTrace.h"

// Reading one runtime of a registry pass, once the choice reaches it: its
// home from the registry, its library, and for a name that allows a range
// of versions the version its release file gives.

namespace launcher::registrypass {

namespace {

constexpr size_t kJavaRuntimeEnvironmentRoot = 3;

std::u16string candidateHome(const RegistryRoot& root, std::u16string_view javaHome) {
    std::u16string home = withTrailingSeparator(javaHome);
    if (root.runtimeInJreFolder) {
        home.append(u"jre");
        home.push_back(kPathSeparator);
    }
    return home;
}

// Runtimes of that root are probed client first under "favor_server", so
// that they rank as what their default flavour is.
JvmTypeCode probeType(size_t root, JvmTypeCode type) {
    return root == kJavaRuntimeEnvironmentRoot && type == JvmTypeCode::FavorServer ? JvmTypeCode::Any : type;
}

} // namespace

void Pass::resolve(size_t index) {
    Entry& entry = entries_[index];
    if (entry.state != State::Open) return;
    entry.state = State::Invalid;
    if (entry.root != kFolderEntry) {
        resolveRegistryEntry(entry);
        return;
    }
    JvmLibrary library = probe_(entry.candidate.home, criteria_.jvmType);
    if (library.path.empty()) {
        if (trace::on()) note(entry, libraryRejection(entry.candidate.home, criteria_.jvmType));
        return;
    }
    if (std::u16string unfit = registry_.libraryUnfit(library.path); !unfit.empty()) {
        note(entry, unfit + u": " + library.path);
        return;
    }
    entry.candidate.isServer = library.isServer;
    entry.state = State::Valid;
    noteUsable(entry, library);
}

void Pass::resolveRegistryEntry(Entry& entry) {
    std::optional<std::u16string> javaHome = registry_.javaHome(entry.root, entry.name);
    if (!javaHome || javaHome->empty()) {
        note(entry, u"the key names no runtime folder (its home value is missing or empty)");
        return;
    }
    std::u16string home = candidateHome(registryRoot(entry.root), *javaHome);
    JvmLibrary library = probe_(home, probeType(entry.root, criteria_.jvmType));
    if (library.path.empty()) {
        if (trace::on()) note(entry, libraryRejection(home, probeType(entry.root, criteria_.jvmType)));
        return;
    }
    if (std::u16string unfit = registry_.libraryUnfit(library.path); !unfit.empty()) {
        note(entry, unfit + u": " + library.path);
        return;
    }
    VersionNumber version = entry.versions.lowest;
    if (compareVersions(entry.versions.lowest, entry.versions.highest) != 0) {
        // A release file of another version than the name allows is not
        // believed: the name is what the installer registered.
        std::u16string text = registry_.versionOfHome(home);
        ParsedVersion full = parseVersion(text, kVersionFillLow);
        if (full.ok && featureRelease(full.version) == featureRelease(entry.versions.lowest) &&
            compareVersions(full.version, entry.versions.lowest) >= 0 &&
            compareVersions(full.version, entry.versions.highest) <= 0) {
            version = full.version;
        } else if (trace::on()) {
            note(entry, u"its release file gives " + (text.empty() ? u"no version" : u"version " + text) +
                            u" of this key; taken as " + formatVersion(version));
        }
        if (!isWithinBounds(version, criteria_.minimumVersion, criteria_.maximumVersion)) {
            if (trace::on()) note(entry, boundsRejection(version, formatVersion(version), criteria_));
            return;
        }
    }
    entry.candidate.version = version;
    entry.candidate.home = std::move(home);
    entry.candidate.isServer = library.isServer;
    entry.state = State::Valid;
    noteUsable(entry, library);
}

void Pass::noteUsable(const Entry& entry, const JvmLibrary& library) {
    if (trace::on()) note(entry, u"usable, " + flavourOfLibrary(library.path) + u" library " + library.path);
}

} // namespace launcher::registrypass
