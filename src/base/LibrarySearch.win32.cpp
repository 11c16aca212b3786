#include "base/LibrarySearch.h"
#include "base/Trace.h"
#include "base/Wide.win32.h"

#include <windows.h>

namespace launcher {

namespace {

// AddDllDirectory takes only a full path without "." or ".." in it.
std::u16string fullPath(const std::u16string& folder) {
    std::u16string path(MAX_PATH, u'\0');
    for (;;) {
        DWORD length = GetFullPathNameW(wide(folder), static_cast<DWORD>(path.size()), wide(path), nullptr);
        if (length == 0) return folder;
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(length);
    }
}

} // namespace

void restrictLibrarySearch() {
    // The application folder and the current folder leave the search, and
    // with them the search path; the runtime and the configured folders come
    // back through addLibrarySearchFolders.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_USER_DIRS);
}

void addLibrarySearchFolders(const TextList& folders) {
    for (const std::u16string& folder : folders) {
        std::u16string path = fullPath(folder);
        if (AddDllDirectory(wide(path))) {
            if (trace::on()) trace::say({u"library search: also in ", path});
            continue;
        }
        if (trace::on()) {
            trace::say({u"library search: ", path, u" cannot be added (error ",
                        toDecimal(static_cast<long long>(GetLastError())), u")"});
        }
    }
}

} // namespace launcher
