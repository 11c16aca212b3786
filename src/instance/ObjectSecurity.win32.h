#pragma once
// Reading what acceptExistingObject decides on, from the system.

#include "instance/ObjectTrust.h"

#include <windows.h>

namespace launcher {

// The owner and integrity label of a kernel object; nothing when they
// cannot be read (the object is then not trusted).
std::optional<ObjectSecurity> readObjectSecurity(HANDLE object);
// This process's integrity level; medium when the token does not say.
uint32_t processIntegrity();
// Whether thread belongs to process: a thread id read from shared memory
// may name any thread of the session.
bool threadOfProcess(DWORD thread, DWORD process);

} // namespace launcher
