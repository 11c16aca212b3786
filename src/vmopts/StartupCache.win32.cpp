#include "vmopts/StartupCache.h"

#include "base/Environment.h"
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
        return getEnvironmentVariable(u"LOCALAPPDATA").value_or(std::u16string());
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
};

} // namespace

CacheFiles& platformCacheFiles() {
    static WindowsCacheFiles files;
    return files;
}

} // namespace launcher
