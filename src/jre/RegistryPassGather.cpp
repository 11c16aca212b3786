#include "jre/RegistryPass.h"
#include "base/Trace.h"
#include "jre/RuntimeTrace.h"

// What a registry pass may choose: every subkey of the searched roots whose
// name lies within the bounds, and every folder runtime of a searched kind
// and vendor within them; the rest get their trace line and the reason. Also
// the trace line of one runtime.

namespace launcher::registrypass {

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

void Pass::note(size_t root, const std::u16string& name, RuntimeKind kind, std::u16string_view version,
                std::u16string_view verdict) {
    if (!trace::on()) return;
    std::optional<std::u16string> home = registry_.javaHome(root, name);
    traceRuntime({registrySource(registryRoot(root), name, home), kind, registryRoot(root).vendor,
                  std::u16string(version)}, verdict);
}

void Pass::note(const Entry& entry, std::u16string_view verdict) {
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

} // namespace launcher::registrypass
