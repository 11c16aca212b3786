#include "vmopts/CacheFiles.h"

#include "base/Descriptor.posix.h"
#include "base/VariableTable.h"
#include "base/FolderChain.h"
#include "base/XdgFolders.h"

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <ctime>
#include <unistd.h>

namespace launcher {

namespace {

class PosixCacheFiles final : public CacheFiles {
public:
    // The XDG base directories' cache home.
    std::u16string userCacheFolder() override {
        return xdgBaseFolder(readVariable(u"XDG_CACHE_HOME").value, readVariable(u"HOME").value, u"/.cache");
    }

    bool makeFolders(std::u16string_view folder) override {
        // The chain creates the folders of a file's path.
        return createFolderChain(std::u16string(folder) + u"/archive") == 0;
    }

    // Option strings are UTF-8 here: every path survives.
    std::optional<std::u16string> narrowForm(std::u16string_view path) override { return std::u16string(path); }

    std::optional<FileFacts> fileFacts(std::u16string_view path) override {
        struct stat info{};
        if (stat(toNarrow(path).c_str(), &info) != 0) return std::nullopt;
        return FileFacts{static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec,
                         static_cast<uint64_t>(info.st_size)};
    }

    std::optional<int64_t> ageInSeconds(std::u16string_view path) override {
        struct stat info{};
        if (stat(toNarrow(path).c_str(), &info) != 0) return std::nullopt;
        return static_cast<int64_t>(time(nullptr)) - static_cast<int64_t>(info.st_mtim.tv_sec);
    }

    std::optional<std::string> readHead(std::u16string_view path, size_t count) override {
        // Not blocking on open: a named pipe in the archive's place must not
        // hang the start.
        UniqueDescriptor fd(open(toNarrow(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
        if (!fd) return std::nullopt;
        std::string bytes(count, '\0');
        ssize_t n;
        do {
            n = read(fd.get(), bytes.data(), count);
        } while (n < 0 && errno == EINTR);
        if (n < 0) return std::nullopt;
        bytes.resize(static_cast<size_t>(n));
        return bytes;
    }

    bool removeFile(std::u16string_view path) override { return unlink(toNarrow(path).c_str()) == 0; }

    bool canWrite(std::u16string_view folder, uint64_t bytes) override {
        const std::string narrow = toNarrow(folder);
        struct statvfs volume{};
        if (statvfs(narrow.c_str(), &volume) != 0) return false;
        if (static_cast<uint64_t>(volume.f_bavail) * volume.f_frsize < bytes) return false;
        // The permission bits do not tell about read-only mounts or access
        // lists: only creating a file does.
        std::string probe = narrow + "/.write-probe-XXXXXX";
        UniqueDescriptor fd(mkstemp(probe.data()));
        if (!fd) return false;
        unlink(probe.c_str());
        return true;
    }

    TextList folderEntries(std::u16string_view folder) override {
        TextList names;
        DIR* listing = opendir(toNarrow(folder).c_str());
        if (!listing) return names;
        while (const dirent* entry = readdir(listing)) {
            const std::string_view name(entry->d_name);
            if (name != "." && name != "..") names.push_back(fromNarrow(name));
        }
        closedir(listing);
        return names;
    }

    bool isFolderWithEntries(std::u16string_view path) override {
        DIR* listing = opendir(toNarrow(path).c_str());
        if (!listing) return false;
        bool entries = false;
        while (const dirent* entry = readdir(listing)) {
            const std::string_view name(entry->d_name);
            if (name != "." && name != "..") {
                entries = true;
                break;
            }
        }
        closedir(listing);
        return entries;
    }

    bool createEmptyFile(std::u16string_view path) override {
        return UniqueDescriptor(open(toNarrow(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644)).get() >= 0;
    }

    bool renameFile(std::u16string_view from, std::u16string_view to) override {
        return std::rename(toNarrow(from).c_str(), toNarrow(to).c_str()) == 0;
    }

    uint32_t processId() override { return static_cast<uint32_t>(getpid()); }

    // A process of another user counts as running: its file is not ours to
    // take away.
    bool processRuns(uint32_t id) override {
        return id != 0 && (kill(static_cast<pid_t>(id), 0) == 0 || errno == EPERM);
    }
};

} // namespace

CacheFiles& platformCacheFiles() {
    static PosixCacheFiles files;
    return files;
}

} // namespace launcher
