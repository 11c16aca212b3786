#include "base/LibrarySearch.h"
#include "base/FileFinder.h"
#include "base/Trace.h"
#include "base/Wide.win32.h"

#include <windows.h>

namespace launcher {

void restrictLibrarySearch() {
    // The application folder and the current folder leave the search, and
    // with them the search path; the runtime and the configured folders come
    // back through addLibrarySearchFolders.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_USER_DIRS);
}

void addLibrarySearchFolders(const TextList& folders) {
    for (const std::u16string& folder : folders) {
        // AddDllDirectory takes only a full path without "." or ".." in it.
        std::u16string path = fullPathName(folder).value_or(folder);
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
