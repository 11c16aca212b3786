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

// Adds each folder that exists (a relative one is taken from the current
// folder) to the search, for the life of the process; the trace names each,
// and why one was left out. A folder that does not exist is left out: it
// could be made later by whoever may create it.
void addLibrarySearchFolders(const TextList& folders);

// One trace line with every folder of the search, in the order the system
// looks in them, so that a user who meets "Can't find dependent libraries"
// sees where the DLLs were looked for.
void traceLibrarySearch();

} // namespace launcher
