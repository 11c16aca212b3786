#pragma once
// The named objects at which the launches of one executable meet on
// Windows (the shared block, the hand-over lock and the events), each made
// (or opened) in one place, labelled at this process's integrity level and
// trusted only when this user's launches made them.

#include "base/Handles.win32.h"

#include <string>
#include <string_view>

namespace launcher {

// The named objects, each made (or opened) in one place.
HANDLE createSharedBlock(const std::u16string& base);
HANDLE createHandOverLock(const std::u16string& base);
HANDLE createSharedEvent(const std::u16string& name, bool manualReset);

// An object that existed before this launch opened it is used only when its
// owner and integrity level say that this user's launches made it.
bool trustedObject(HANDLE object, std::u16string_view what);
UniqueHandle sharedObject(HANDLE created, std::u16string_view what);

} // namespace launcher
