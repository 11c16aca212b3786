#include "base/FolderChain.h"
#include "base/Handles.win32.h"
#include "base/Wide.win32.h"

namespace launcher {

uint32_t createFolder(std::u16string_view path) {
    std::u16string text(path);
    if (CreateDirectoryW(wide(text), nullptr)) return 0;
    return GetLastError();
}

bool removeFolder(std::u16string_view path) {
    // A long path is only removable in its long form. For the local paths
    // this is called with, that is "\\?\" in front; a network path would get
    // its proper "\\?\UNC\" form.
    std::u16string text = longPathPattern(path);
    return RemoveDirectoryW(wide(text)) != 0;
}

uint32_t findPathError(std::u16string_view path) {
    std::u16string text(path);
    WIN32_FIND_DATAW data;
    UniqueFindHandle handle(FindFirstFileW(wide(text), &data));
    return handle ? 0 : GetLastError();
}

} // namespace launcher
