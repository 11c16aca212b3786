#include "ui/FolderPicker.win32.h"
#include "base/Wide.win32.h"
#include "ui/UiHandles.win32.h"


namespace launcher {

namespace {

// The file-system path of a shell item; the buffer grows for long paths.
std::u16string pathOf(PCIDLIST_ABSOLUTE item) {
    for (DWORD size = MAX_PATH; size <= 32768; size *= 2) {
        std::u16string path(size, u'\0');
        if (shell::SHGetPathFromIDListEx(item, wide(path), size, GPFIDL_DEFAULT)) {
            path.resize(std::char_traits<char16_t>::length(path.c_str()));
            return path;
        }
        // A failure that is not about the size will fail at any size.
        if (std::char_traits<char16_t>::length(path.c_str()) + 1 < size) break;
    }
    return {};
}

} // namespace

std::u16string pickFolder(HWND owner, const std::u16string& title) {
    ComApartment com;
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.lpszTitle = wide(title);
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_NONEWFOLDERBUTTON;
    UniqueTaskMemory item(shell::SHBrowseForFolderW(&info));
    if (!item) return {};
    return pathOf(static_cast<PCIDLIST_ABSOLUTE>(item.get()));
}

} // namespace launcher
