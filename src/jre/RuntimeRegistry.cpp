#include "jre/RuntimeRegistry.h"
#include "base/Platform.h"
#include "base/Trace.h"
#include "jre/RuntimeTrace.h"

#include <algorithm>
#include <limits>

namespace launcher {

namespace {

constexpr size_t kJavaRuntimeEnvironmentRoot = 3;
constexpr size_t kFolderEntry = std::numeric_limits<size_t>::max();

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

bool sameHome(std::u16string_view a, std::u16string_view b) {
    return kWindows ? equalsIgnoreCase(a, b) : a == b;
}

enum class State { Open, Valid, Invalid };

// A runtime the pass may choose. Until it is resolved, its ranking holds
// the best that its name allows (the highest version of the range, and
// the server flavour where that counts), so that an entry not yet read
// never ranks below what it will turn out to be.
struct Entry {
    JreCandidate candidate;
    size_t root = kFolderEntry;
    std::u16string name;
    NameVersions versions;
    State state = State::Open;
    RuntimeKind kind = RuntimeKind::Jre;
    RuntimeVendor vendor = RuntimeVendor::Sun;
};

class Pass {
public:
    Pass(RuntimeRegistry& registry, const RuntimeCriteria& criteria, LibraryProbe probe)
        : registry_(registry), criteria_(criteria), probe_(probe) {
        gather();
    }

    std::vector<JreCandidate> collect() {
        for (size_t i = 0; i < entries_.size(); ++i) resolve(i);
        std::vector<JreCandidate> candidates;
        for (size_t i = 0; i < entries_.size(); ++i) {
            if (entries_[i].state == State::Valid && !listedByRegistry(i)) candidates.push_back(entries_[i].candidate);
        }
        return candidates;
    }

    std::optional<JreCandidate> choose() {
        order_.resize(entries_.size());
        for (size_t i = 0; i < order_.size(); ++i) order_[i] = i;
        std::stable_sort(order_.begin(), order_.end(), [&](size_t b, size_t a) { return ahead(b, a); });
        for (const std::u16string& preferred : criteria_.preferredVersions) {
            VersionNumber wanted = parseVersion(preferred, kVersionFillLow).version;
            if (auto home = firstAccepted([&](const VersionNumber& v) { return matchesPreferredVersion(v, wanted); })) {
                return home;
            }
        }
        return firstAccepted([](const VersionNumber&) { return true; });
    }

    // The verdict on every runtime the choice did not reach (for the trace).
    void traceUnchosen(const std::optional<JreCandidate>& chosen) {
        if (!trace::on()) return;
        for (const Entry& entry : entries_) {
            const bool sameFolder = listedByRegistry(index(entry));
            if (entry.state == State::Open) {
                note(entry, u"not examined: ranked below the chosen runtime");
            } else if (entry.state == State::Valid && sameFolder) {
                note(entry, u"usable, but the same folder as a registered runtime: counted once");
            } else if (entry.state == State::Valid && !(chosen && entry.candidate.home == chosen->home)) {
                note(entry, u"usable, but ranked below the chosen runtime");
            }
        }
    }

private:
    void gather();
    void resolve(size_t index);
    void resolveRegistryEntry(Entry& entry);
    void noteUsable(const Entry& entry, const JvmLibrary& library);
    bool listedByRegistry(size_t index) const;
    size_t index(const Entry& entry) const { return static_cast<size_t>(&entry - entries_.data()); }

    // One runtime's trace line; the registry is asked for the home of a
    // runtime rejected before it was read, so that the line says where it is.
    void note(size_t root, const std::u16string& name, RuntimeKind kind, std::u16string_view version,
              std::u16string_view verdict) {
        if (!trace::on()) return;
        std::optional<std::u16string> home = registry_.javaHome(root, name);
        traceRuntime({registrySource(registryRoot(root), name, home), kind, registryRoot(root).vendor,
                      std::u16string(version)}, verdict);
    }
    void note(const Entry& entry, std::u16string_view verdict) {
        if (!trace::on()) return;
        std::u16string version = formatVersion(entry.candidate.version);
        if (entry.root == kFolderEntry) {
            traceRuntime({u"folder " + entry.candidate.home, entry.kind, entry.vendor, version}, verdict);
        } else if (entry.state == State::Open || entry.candidate.home.empty()) {
            note(entry.root, entry.name, entry.kind, entry.name, verdict);
        } else {
            traceRuntime({registrySource(registryRoot(entry.root), entry.name, entry.candidate.home), entry.kind,
                          entry.vendor, version}, verdict);
        }
    }

    // The total order of the ranking: ties keep discovery order.
    bool ahead(size_t b, size_t a) const {
        if (ranksBefore(entries_[b].candidate, entries_[a].candidate, criteria_)) return true;
        if (ranksBefore(entries_[a].candidate, entries_[b].candidate, criteria_)) return false;
        return b < a;
    }

    // Resolves the entry at position at of the order and moves it to where
    // its real ranking puts it: never ahead of where it was.
    void resolveAt(size_t at) {
        size_t index = order_[at];
        resolve(index);
        order_.erase(order_.begin() + static_cast<std::ptrdiff_t>(at));
        if (entries_[index].state != State::Valid) return;
        auto place = std::lower_bound(order_.begin() + static_cast<std::ptrdiff_t>(at), order_.end(), index,
                                      [&](size_t a, size_t b) { return ahead(a, b); });
        order_.insert(place, index);
    }

    template <typename Accept>
    std::optional<JreCandidate> firstAccepted(Accept accept) {
        for (size_t at = 0; at < order_.size();) {
            Entry& entry = entries_[order_[at]];
            if (entry.state == State::Open) {
                resolveAt(at);
                continue;
            }
            if (!accept(entry.candidate.version)) {
                ++at;
                continue;
            }
            if (entry.root == kFolderEntry && registryMayListHome(at)) {
                order_.erase(order_.begin() + static_cast<std::ptrdiff_t>(at));
                continue;
            }
            note(entry, u"chosen");
            return entry.candidate;
        }
        return std::nullopt;
    }

    // Before a folder runtime is chosen, every registry runtime still open
    // is read: a folder that the registry names is that registry runtime.
    // Reading them moves none of them ahead of the folder at position at.
    bool registryMayListHome(size_t at) {
        size_t folder = order_[at];
        for (size_t i = at + 1; i < order_.size();) {
            const Entry& other = entries_[order_[i]];
            if (other.state == State::Open && other.root != kFolderEntry) {
                resolveAt(i);
            } else {
                ++i;
            }
        }
        return listedByRegistry(folder);
    }

    RuntimeRegistry& registry_;
    const RuntimeCriteria& criteria_;
    LibraryProbe probe_;
    std::vector<Entry> entries_;
    std::vector<size_t> order_;
};

void Pass::gather() {
    const bool favourServer = criteria_.jvmType == JvmTypeCode::FavorServer;
    for (size_t r = 0; r < registryRootCount(); ++r) {
        const RegistryRoot& root = registryRoot(r);
        const bool rootSearched = isRootSearched(root, criteria_);
        // The trace lists the runtimes of roots that are not searched too,
        // each with the reason.
        if (!rootSearched && !trace::on()) continue;
        // The user's keys are one for both views (and absent where the
        // search leaves the user's own sources out).
        if (root.hive == Hive::User && !criteria_.includeUserSources) continue;
        for (std::u16string& name : registry_.subkeyNames(r)) {
            RuntimeKind kind = subkeyKind(root, name);
            if (!rootSearched || !isRuntimeSearched(kind, root.vendor, criteria_)) {
                if (trace::on()) note(r, name, kind, name, searchRejection(kind, root.vendor, criteria_));
                continue;
            }
            // The bounds test needs the name only: nothing is read for a
            // version that is out of range.
            NameVersions versions = subkeyVersions(root, name);
            // The classic roots take a name without digits as version 0;
            // the distributions' installers never write one.
            if (!versions.parsed && r >= kClassicRootCount) {
                note(r, name, kind, name, u"the key's name holds no version");
                continue;
            }
            if (compareVersions(versions.highest, criteria_.minimumVersion) < 0 ||
                compareVersions(versions.lowest, criteria_.maximumVersion) > 0) {
                if (trace::on()) {
                    bool low = compareVersions(versions.highest, criteria_.minimumVersion) < 0;
                    note(r, name, kind, name, boundsRejection(low ? versions.highest : versions.lowest, name, criteria_));
                }
                continue;
            }
            JreCandidate ranking{versions.highest, {}, favourServer, isRuntimePreferred(kind, root.vendor, criteria_)};
            entries_.push_back({std::move(ranking), r, std::move(name), versions});
            entries_.back().kind = kind;
            entries_.back().vendor = root.vendor;
        }
    }
    for (FolderRuntime& runtime : registry_.folderRuntimes()) {
        auto reject = [&](std::u16string_view verdict) {
            traceRuntime({u"folder " + runtime.home, runtime.kind, runtime.vendor, runtime.version}, verdict);
        };
        if (!isRuntimeSearched(runtime.kind, runtime.vendor, criteria_)) {
            if (trace::on()) reject(searchRejection(runtime.kind, runtime.vendor, criteria_));
            continue;
        }
        ParsedVersion parsed = parseVersion(runtime.version, kVersionFillLow);
        const VersionNumber& version = parsed.version;
        if (!parsed.ok || !isWithinBounds(version, criteria_.minimumVersion, criteria_.maximumVersion)) {
            if (trace::on()) {
                reject(parsed.ok ? boundsRejection(version, runtime.version, criteria_)
                                 : u"its release file names no version");
            }
            continue;
        }
        JreCandidate ranking{version, std::move(runtime.home), favourServer,
                             isRuntimePreferred(runtime.kind, runtime.vendor, criteria_)};
        entries_.push_back({std::move(ranking), kFolderEntry, {}, {version, version, true}});
        entries_.back().kind = runtime.kind;
        entries_.back().vendor = runtime.vendor;
    }
}

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

bool Pass::listedByRegistry(size_t index) const {
    const Entry& folder = entries_[index];
    if (folder.root != kFolderEntry) return false;
    return std::any_of(entries_.begin(), entries_.end(), [&](const Entry& e) {
        return e.root != kFolderEntry && e.state == State::Valid && sameHome(e.candidate.home, folder.candidate.home);
    });
}

} // namespace

NameVersions subkeyVersions(const RegistryRoot& root, std::u16string_view name) {
    ParsedVersion low = parseVersion(name, kVersionFillLow);
    const VersionNumber& v = low.version;
    // A name in the old 1.x form is a Java version as it stands.
    if (!root.releaseRefinesVersion || !low.ok || (v.parts[0] == 1 && v.groupCount > 1)) {
        if (!root.releaseRefinesVersion || !low.ok) return {v, v, low.ok};
        return {v, parseVersion(name, kVersionFillHigh).version, true};
    }
    // The name's first three numbers are the version's feature, interim and
    // update parts (behind a leading 1 up to Java 8: 8.0.392 is 1.8.0_392);
    // what the name leaves out, and what follows them, ranges as far as a
    // Java version may.
    const int32_t known = std::min(v.groupCount, 3);
    auto part = [&](int32_t index, int32_t fill) { return index < known ? v.parts[index] : fill; };
    auto bound = [&](int32_t fill) {
        return v.parts[0] <= 8 ? makeVersion(1, v.parts[0], part(1, fill), part(2, fill), known + 1)
                               : makeVersion(v.parts[0], part(1, fill), part(2, fill), fill, known);
    };
    return {bound(kVersionFillLow), bound(kVersionFillHigh), true};
}

std::vector<JreCandidate> collectCandidates(RuntimeRegistry& registry, const RuntimeCriteria& criteria,
                                            LibraryProbe probe) {
    return Pass(registry, criteria, probe).collect();
}

std::optional<JreCandidate> chooseRegisteredRuntime(RuntimeRegistry& registry, const RuntimeCriteria& criteria,
                                                    LibraryProbe probe) {
    Pass pass(registry, criteria, probe);
    std::optional<JreCandidate> chosen = pass.choose();
    pass.traceUnchosen(chosen);
    return chosen;
}

std::optional<std::u16string> runRegistryPass(RuntimeRegistry& registry, const RuntimeCriteria& criteria,
                                              LibraryProbe probe) {
    std::optional<JreCandidate> chosen = chooseRegisteredRuntime(registry, criteria, probe);
    if (!chosen) return std::nullopt;
    return chosen->home;
}

} // namespace launcher
