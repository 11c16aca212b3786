#include "base/LibrarySearch.h"

namespace launcher {

void restrictLibrarySearch() {}

void addLibrarySearchFolders(const TextList&) {}

void traceLibrarySearch() {}

} // namespace launcher
