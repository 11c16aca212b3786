#pragma once
// The runtime's own splash library (splashscreen.dll in the runtime's bin
// folder, libsplashscreen.so in its lib folder): found beside the runtime
// library, loaded once and never unloaded.

#include "splash/SplashCloseAction.h"

#include <string>
#include <string_view>

namespace launcher {

// File name of the runtime's splash library on this platform.
extern const char16_t* const kSplashLibraryName;

// Where the splash library would be: jvmPath without its last two
// components, then the library name. Empty when nothing is left.
std::u16string splashLibraryCandidate(std::u16string_view jvmPath);
// The candidate when that file exists, else empty.
std::u16string findSplashLibrary(std::u16string_view jvmPath);

// The library's exports as the launcher calls them; missing ones are null.
struct SplashEntryPoints {
    void (*init)() = nullptr;
    int (*loadFile)(const char* imagePath) = nullptr;
    void (*setFileJarName)(const char* imagePath, const char* jarName) = nullptr;
    SplashCloseAction::Function close = nullptr;
};

// Loads the library, never to be unloaded (platform side); null when it
// cannot be loaded.
void* openSplashLibrary(const std::u16string& libraryPath, const std::u16string& jvmPath);
// One export of the opened library (platform side); null when missing.
void* splashLibraryExport(void* library, const char* name);
// Loads the library and looks up its exports; false when it cannot be loaded.
bool loadSplashLibrary(const std::u16string& libraryPath, const std::u16string& jvmPath, SplashEntryPoints& entries);

// Hands the library's SplashClose to close, then starts the splash when the
// three start functions are there.
bool startSplashWith(const SplashEntryPoints& entries, const std::u16string& imagePath, SplashCloseAction& close);

// Loads the library and starts its splash with the picture at imagePath.
// The library's SplashClose goes into close (an earlier different one is run
// first). False when the library cannot be loaded or lacks a start function.
bool startNativeSplash(const std::u16string& libraryPath, const std::u16string& jvmPath,
                       const std::u16string& imagePath, SplashCloseAction& close);

} // namespace launcher
