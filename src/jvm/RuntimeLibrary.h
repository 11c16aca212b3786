#pragma once
// Loading the chosen runtime library into the launcher and finding its
// invocation entry points. The library is never unloaded.

#include "base/Messages.h"
#include "base/Platform.h"
#include "jvm/JniTypes.h"

#include <string>

namespace launcher {

// Shows message 222 when the library does not load and the module-path
// kind of message 212 when an entry point is missing; false then.
bool loadJvmLibrary(std::u16string_view jvmPath, const MessageOwner& owner, JvmEntryPoints& entries);

// Loads the library and finds its JNI_CreateJavaVM without a word on
// failure, for background work that nobody watches; null when either fails.
CreateJavaVmFunction loadCreateJavaVmQuietly(std::u16string_view jvmPath);

// The runtime's folder of native libraries: the library path without its
// last two components ("...\bin\server\jvm.dll" gives "...\bin").
std::u16string runtimeLibraryFolder(std::u16string_view jvmPath);

} // namespace launcher
