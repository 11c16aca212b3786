#pragma once
// Whether a single-instance object that already exists may be used. The
// names are known to every process of the session, so a process of lower
// integrity (a sandboxed program of the same user) could create them first
// and then receive every launch's arguments, choose its exit code and name
// the thread that gets posted to. An existing object is used only when it
// belongs to this user and is not of lower integrity than this process.

#include <cstdint>
#include <optional>

namespace launcher {

// The mandatory integrity levels, as the last part of their label SIDs.
inline constexpr uint32_t kIntegrityUntrusted = 0x0000;
inline constexpr uint32_t kIntegrityLow = 0x1000;
inline constexpr uint32_t kIntegrityMedium = 0x2000;
inline constexpr uint32_t kIntegrityHigh = 0x3000;
inline constexpr uint32_t kIntegritySystem = 0x4000;

enum class ObjectOwner {
    Absent,      // the system keeps no owner (Wine)
    CurrentUser, // this process's user, or the owner its token gives new objects
    Other,
};

struct ObjectSecurity {
    ObjectOwner owner = ObjectOwner::Other;
    // The object's integrity label; none means medium, as the system reads
    // an object without one.
    std::optional<uint32_t> integrity;
};

// An absent owner is accepted whatever the label: Windows gives every named
// object an owner, so only a system without object security reports none,
// and such a system (Wine) has neither other users nor integrity levels.
bool acceptExistingObject(const ObjectSecurity& object, uint32_t ownIntegrity);

} // namespace launcher
