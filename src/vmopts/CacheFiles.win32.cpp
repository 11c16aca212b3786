#include "vmopts/CacheFiles.h"

#include "base/VariableTable.h"
#include "base/FileFinder.h"
#include "base/FolderChain.h"
#include "base/Handles.win32.h"
#include "base/Wide.win32.h"
#include "vmopts/ClassPath.h"

#include <windows.h>

namespace launcher {

namespace {

class WindowsCacheFiles final : public CacheFiles {
public:
    // The local (not roaming) application-data folder: an archive belongs
    // to this machine's runtime and must not travel with a roaming profile.
    std::u16string userCacheFolder() override {
        return readVariable(u"LOCALAPPDATA").value.value_or(std::u16string());
    }

    bool makeFolders(std::u16string_view folder) override {
        // The chain creates the folders of a file's path.
        return createFolderChain(std::u16string(folder) + u"\\archive") == 0;
    }

    std::optional<std::u16string> narrowForm(std::u16string_view path) override {
        std::u16string form = narrowSafePath(path);
        if (!survivesNarrowing(form)) return std::nullopt;
        return form;
    }

    std::optional<FileFacts> fileFacts(std::u16string_view path) override {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!GetFileAttributesExW(wide(longPathPattern(path)), GetFileExInfoStandard, &data)) return std::nullopt;
        auto join = [](DWORD high, DWORD low) { return (static_cast<uint64_t>(high) << 32) | low; };
        return FileFacts{static_cast<int64_t>(join(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime)),
                         join(data.nFileSizeHigh, data.nFileSizeLow)};
    }

    std::optional<int64_t> ageInSeconds(std::u16string_view path) override {
        const std::optional<FileFacts> facts = fileFacts(path);
        if (!facts) return std::nullopt;
        FILETIME now{};
        GetSystemTimeAsFileTime(&now);
        const int64_t current = static_cast<int64_t>((static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
        return (current - facts->modified) / 10000000; // 100-nanosecond units
    }

    std::optional<std::string> readHead(std::u16string_view path, size_t count) override {
        UniqueFileHandle file(CreateFileW(wide(longPathPattern(path)), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return std::nullopt;
        std::string bytes(count, '\0');
        DWORD read = 0;
        if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(count), &read, nullptr)) return std::nullopt;
        bytes.resize(read);
        return bytes;
    }

    bool removeFile(std::u16string_view path) override {
        // The runtime creates its archives read-only.
        const std::u16string full = longPathPattern(path);
        SetFileAttributesW(wide(full), FILE_ATTRIBUTE_NORMAL);
        return DeleteFileW(wide(full)) != 0;
    }

    bool canWrite(std::u16string_view folder, uint64_t bytes) override {
        std::u16string root = std::u16string(folder) + u"\\";
        ULARGE_INTEGER available{};
        if (!GetDiskFreeSpaceExW(wide(longPathPattern(root)), &available, nullptr, nullptr)) return false;
        if (available.QuadPart < bytes) return false;
        // Access lists and read-only media show only when a file is made.
        std::u16string probe = root + u".write-probe-" + fromUtf8(std::to_string(GetCurrentProcessId()));
        UniqueFileHandle file(CreateFileW(wide(longPathPattern(probe)), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
        return static_cast<bool>(file);
    }

    TextList folderEntries(std::u16string_view folder) override {
        TextList names;
        WIN32_FIND_DATAW data{};
        UniqueFindHandle search(FindFirstFileW(wide(longPathPattern(std::u16string(folder) + u"\\*")), &data));
        if (!search) return names;
        do {
            const std::u16string name = fromWide(data.cFileName);
            if (name != u"." && name != u"..") names.push_back(name);
        } while (FindNextFileW(search.get(), &data));
        return names;
    }

    bool isFolderWithEntries(std::u16string_view path) override {
        const DWORD attributes = GetFileAttributesW(wide(longPathPattern(path)));
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
        return !folderEntries(path).empty();
    }

    bool createEmptyFile(std::u16string_view path) override {
        UniqueFileHandle file(CreateFileW(wide(longPathPattern(path)), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
        return static_cast<bool>(file);
    }

    bool renameFile(std::u16string_view from, std::u16string_view to) override {
        return MoveFileExW(wide(longPathPattern(from)), wide(longPathPattern(to)), MOVEFILE_REPLACE_EXISTING) != 0;
    }

    uint32_t processId() override { return GetCurrentProcessId(); }

    bool processRuns(uint32_t id) override {
        UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, id));
        // A process we may not open is someone else's, and running.
        if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
        return WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
    }
};

} // namespace

CacheFiles& platformCacheFiles() {
    static WindowsCacheFiles files;
    return files;
}

} // namespace launcher
