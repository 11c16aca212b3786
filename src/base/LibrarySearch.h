#pragma once
// Where the process looks for the libraries it loads by name. On Windows the
// system's default order starts with the executable's folder and the current
// folder and ends with every folder of the search path: a DLL planted beside
// an application in a downloads folder, or in the folder of a document the
// user opened, would run inside our process. The launcher narrows the search
// to the system folder and the folders it names itself. Linux resolves a
// library's dependencies through the library's own run path, so both
// operations do nothing there.

#include "base/Text.h"

namespace launcher {

// Leaves only the system folder and the folders added below in the search
// of every later load. Call first thing, before anything loads a library.
void restrictLibrarySearch();

// Adds each folder (a relative one is taken from the current folder) to the
// search, for the life of the process; the trace names each, and why one
// could not be added.
void addLibrarySearchFolders(const TextList& folders);

} // namespace launcher
