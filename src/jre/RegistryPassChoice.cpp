#include "jre/RegistryPass.h"
#include "base/Platform.h"
#include "base/Text.h"
#include "base/Trace.h"

#include <algorithm>

// The choice of a registry pass: the entries ranked by what their names
// allow, read in that order until one is accepted; or every usable one
// when all candidates are wanted. A folder runtime that the registry names
// counts once, as the registry's.

namespace launcher::registrypass {

namespace {

bool sameHome(std::u16string_view a, std::u16string_view b) {
    return kWindows ? equalsIgnoreCase(a, b) : a == b;
}

} // namespace

std::vector<JreCandidate> Pass::collect() {
    for (size_t i = 0; i < entries_.size(); ++i) resolve(i);
    std::vector<JreCandidate> candidates;
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].state == State::Valid && !listedByRegistry(i)) candidates.push_back(entries_[i].candidate);
    }
    return candidates;
}

std::optional<JreCandidate> Pass::choose() {
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

void Pass::traceUnchosen(const std::optional<JreCandidate>& chosen) {
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

bool Pass::ahead(size_t b, size_t a) const {
    if (ranksBefore(entries_[b].candidate, entries_[a].candidate, criteria_)) return true;
    if (ranksBefore(entries_[a].candidate, entries_[b].candidate, criteria_)) return false;
    return b < a;
}

void Pass::resolveAt(size_t at) {
    size_t index = order_[at];
    resolve(index);
    order_.erase(order_.begin() + static_cast<std::ptrdiff_t>(at));
    if (entries_[index].state != State::Valid) return;
    auto place = std::lower_bound(order_.begin() + static_cast<std::ptrdiff_t>(at), order_.end(), index,
                                  [&](size_t a, size_t b) { return ahead(a, b); });
    order_.insert(place, index);
}

template <typename Accept>
std::optional<JreCandidate> Pass::firstAccepted(Accept accept) {
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

bool Pass::registryMayListHome(size_t at) {
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

bool Pass::listedByRegistry(size_t index) const {
    const Entry& folder = entries_[index];
    if (folder.root != kFolderEntry) return false;
    return std::any_of(entries_.begin(), entries_.end(), [&](const Entry& e) {
        return e.root != kFolderEntry && e.state == State::Valid && sameHome(e.candidate.home, folder.candidate.home);
    });
}

} // namespace launcher::registrypass
