#pragma once
// The names under which the launches of one executable find each other.
// Every name is derived from the executable's full path, so two copies of
// the launcher in different folders never meet.

#include <cstdint>
#include <string>
#include <string_view>

namespace launcher {

// The path with every "\" replaced by "_" (kernel object names may not
// hold a backslash); nothing else changes.
std::u16string instanceBaseName(std::u16string_view modulePath);
// The manual-reset event the primary signals just before main.
std::u16string mainStartedEventName(std::u16string_view baseName);
// The mutex a secondary holds while the shared argument slot is its own.
std::u16string forwardLockName(std::u16string_view baseName);
// The auto-reset event the primary sets once it has copied the slot.
std::u16string forwardTakenName(std::u16string_view baseName);

// The POSIX port's socket name: per user, and a hash of the path, because
// the path itself may be longer than a socket address holds.
std::string instanceSocketName(std::u16string_view modulePath, uint32_t userId);

} // namespace launcher
