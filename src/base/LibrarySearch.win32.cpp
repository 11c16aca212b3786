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

namespace {
// The folders added so far, in the order they were added: the process's
// search itself cannot be read back.
TextList& addedSearchFolders() {
    static TextList folders;
    return folders;
}
} // namespace

void addLibrarySearchFolders(const TextList& folders) {
    for (const std::u16string& folder : folders) {
        // AddDllDirectory takes only a full path without "." or ".." in it.
        std::u16string path = fullPathName(folder).value_or(folder);
        const DWORD attributes = GetFileAttributesW(wide(path));
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            if (trace::on()) trace::say({u"library search: ", path, u" is left out: no such folder"});
            continue;
        }
        if (AddDllDirectory(wide(path))) {
            addedSearchFolders().push_back(path);
            if (trace::on()) trace::say({u"library search: also in ", path});
            continue;
        }
        if (trace::on()) {
            trace::say({u"library search: ", path, u" cannot be added (error ",
                        toDecimal(static_cast<long long>(GetLastError())), u")"});
        }
    }
}

void traceLibrarySearch() {
    if (!trace::on()) return;
    // The system looks in the added folders (in no documented order among
    // themselves), then in the system folder.
    std::u16string line = u"library search: DLLs loaded by name are looked for in ";
    for (const std::u16string& folder : addedSearchFolders()) line += folder + u"; ";
    line += u"the system folder (not in the executable's folder, the current folder or Path)";
    trace::line(line);
}

} // namespace launcher
