#pragma once
// One registry pass, shared by the files that carry it out: the runtimes it
// may choose (gathered from the roots and the folder runtimes), each read
// only when the choice reaches it, and the ranking that chooses among them.

#include "jre/RuntimeRegistry.h"

#include <cstddef>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace launcher::registrypass {

constexpr size_t kFolderEntry = std::numeric_limits<size_t>::max();

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

    std::vector<JreCandidate> collect();
    std::optional<JreCandidate> choose();
    // The verdict on every runtime the choice did not reach (for the trace).
    void traceUnchosen(const std::optional<JreCandidate>& chosen);

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
              std::u16string_view verdict);
    void note(const Entry& entry, std::u16string_view verdict);

    // The total order of the ranking: ties keep discovery order.
    bool ahead(size_t b, size_t a) const;
    // Resolves the entry at position at of the order and moves it to where
    // its real ranking puts it: never ahead of where it was.
    void resolveAt(size_t at);
    template <typename Accept>
    std::optional<JreCandidate> firstAccepted(Accept accept);
    // Before a folder runtime is chosen, every registry runtime still open
    // is read: a folder that the registry names is that registry runtime.
    // Reading them moves none of them ahead of the folder at position at.
    bool registryMayListHome(size_t at);

    RuntimeRegistry& registry_;
    const RuntimeCriteria& criteria_;
    LibraryProbe probe_;
    std::vector<Entry> entries_;
    std::vector<size_t> order_;
};

} // namespace launcher::registrypass
