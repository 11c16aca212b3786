#pragma once
// The native library path of the virtual machine and the new search path
// of the process, composed from the settings and the runtime's location.
// Every list uses the platform's list separator; the settings' own lists
// are written with ";" on every platform.

#include "base/Text.h"

#include <functional>

namespace launcher {

// Expands %NAME% references: expandEnvironmentCopy in the launcher, a fixed
// table in tests.
using ExpandText = std::function<std::u16string(std::u16string_view)>;

// How many components the runtime library's path has below the runtime
// folder: three (bin\server\jvm.dll, lib/server/libjvm.so), or four in the
// Linux layout up to Java 8, which names the machine (lib/amd64/server/libjvm.so).
int runtimeLibraryDepth(std::u16string_view jvmPath);
// The runtime folder: the runtime library's path without those components.
// A component without a separator before it stays.
std::u16string runtimeHomeOf(std::u16string_view jvmPath);
// The runtime folder's lib subfolder: two components cut (each cut of a
// path without a separator leaves nothing), then the text up to and with
// its last separator, then "lib"; in the layout that names the machine,
// the machine's folder below lib.
std::u16string runtimeLibFolder(std::u16string_view jvmPath);
// The folder of the runtime's programs and, on Windows, its libraries:
// bin beside the flavour folder on Windows, bin in the runtime folder on
// Linux.
std::u16string runtimeBinFolder(std::u16string_view jvmPath);
// The executable's folder with its trailing separator; empty without one.
std::u16string launcherFolderOf(std::u16string_view modulePath);

// The native library path: the "Library Path" setting (its references
// expanded), the launcher's folder, ".", the current search path and the
// runtime's lib folder. An empty setting gives no library path.
std::u16string composeLibraryPath(std::u16string_view setting, std::u16string_view launcherFolder,
                                  std::u16string_view jvmPath, const ExpandText& expand);

// The new search path: the "System Path" setting (expanded), the current
// search path, the runtime's bin folder.
std::u16string composeSearchPath(std::u16string_view setting, std::u16string_view jvmPath, const ExpandText& expand);

// The folders that libraries loaded by name are looked for in, besides the
// system folder: the runtime's bin and flavour folders (its own DLLs, and
// those of the libraries it loads later), then each folder of the "Library
// Path" setting (a native library's own dependencies) and of the "System
// Path" setting (which the search path served before), references expanded
// and a relative folder taken from the launcher's folder. The launcher's
// folder and the current folder come in only when a setting names them.
// Empty entries and repeats are left out.
TextList librarySearchFolders(std::u16string_view jvmPath, std::u16string_view librarySetting,
                              std::u16string_view systemSetting, std::u16string_view launcherFolder,
                              const ExpandText& expand);

// The folders of the application's own "-Djava.library.path=" options (in
// "Virtual Machine Parameters", references already expanded), so that the
// DLLs beside its native libraries are found as with "Library Path": each
// entry of each such option, split at the platform's list separator, blanks
// trimmed, a relative one taken from the launcher's folder (left out when
// that is unknown), empty entries and repeats left out.
TextList libraryPathOptionFolders(const TextList& options, std::u16string_view launcherFolder);

// The virtual-machine option that carries the library path; on Windows an
// entry the ANSI code page cannot carry goes by its short (8.3) form.
std::u16string libraryPathOption(std::u16string_view libraryPath);

} // namespace launcher
