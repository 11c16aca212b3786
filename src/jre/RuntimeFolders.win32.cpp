#include "jre/RuntimeFolders.h"
#include "base/FileFinder.h"
#include "base/Handles.win32.h"
#include "base/Wide.win32.h"
#include "jre/JvmLibrary.h"

namespace launcher {

std::vector<FolderEntry> listSubfolders(std::u16string_view folder) {
    std::vector<FolderEntry> entries;
    std::u16string pattern = longPathPattern(withTrailingSeparator(folder) + u"*");
    WIN32_FIND_DATAW data;
    UniqueFindHandle find(FindFirstFileExW(wide(pattern), FindExInfoBasic, &data, FindExSearchLimitToDirectories,
                                           nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!find) return entries;
    do {
        // The filter above is only a hint to the file system.
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        std::u16string name = fromWide(data.cFileName);
        if (name == u"." || name == u"..") continue;
        entries.push_back({std::move(name), (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
    } while (FindNextFileW(find.get(), &data));
    return entries;
}

std::optional<std::string> readFileHead(std::u16string_view path, size_t limit) {
    std::u16string name = longPathPattern(path);
    UniqueFileHandle file(CreateFileW(wide(name), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file || GetFileType(file.get()) != FILE_TYPE_DISK) return std::nullopt;
    std::string bytes(limit, '\0');
    size_t length = 0;
    while (length < bytes.size()) {
        DWORD read = 0;
        if (!ReadFile(file.get(), bytes.data() + length, static_cast<DWORD>(bytes.size() - length), &read, nullptr)) {
            return std::nullopt;
        }
        if (read == 0) break;
        length += read;
    }
    bytes.resize(length);
    return bytes;
}

} // namespace launcher
