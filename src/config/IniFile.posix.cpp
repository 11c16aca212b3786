#include "config/IniFile.h"

#include "base/Descriptor.posix.h"
#include "base/FileReplace.h"
#include "config/IniText.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace launcher {

namespace {

// A link to an INI file is kept as a link: the file it points to is the one
// that gets replaced.
bool resolveLink(const std::string& path, std::string& target) {
    struct stat status{};
    if (lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) {
        target = path;
        return true;
    }
    std::unique_ptr<char, void (*)(void*)> resolved(realpath(path.c_str(), nullptr), std::free);
    if (!resolved) return false;
    target = resolved.get();
    return true;
}

} // namespace

// The settings are read key by key, and several readers open the same file
// during one start (product information, the layered settings, the splash,
// the VM options); decoding the file once per start instead of once per key
// or reader keeps start-up cheap. The file's identity and times tell when it
// has changed under us.
struct IniFile::Snapshot {
    std::string path;
    struct stat status{};
    std::u16string text;
    IniIndex index; // views into text
    time_t readAt = 0;

    Snapshot() = default;
    Snapshot(const Snapshot&) = delete;
    Snapshot& operator=(const Snapshot&) = delete;

    // A change within the file system's timestamp granularity can leave
    // size and times as they were; another reader trusts the snapshot only
    // when the file had been left alone for a while before it was read.
    bool settled() const { return status.st_ctim.tv_sec + 2 < readAt && status.st_mtim.tv_sec + 2 < readAt; }

    bool matches(const struct stat& now) const {
        return now.st_dev == status.st_dev && now.st_ino == status.st_ino && now.st_size == status.st_size &&
               now.st_mtim.tv_sec == status.st_mtim.tv_sec && now.st_mtim.tv_nsec == status.st_mtim.tv_nsec &&
               now.st_ctim.tv_sec == status.st_ctim.tv_sec && now.st_ctim.tv_nsec == status.st_ctim.tv_nsec;
    }
};

namespace {
std::mutex recentMutex;
} // namespace

const IniFile::Snapshot* IniFile::currentSnapshot() {
    std::string path = toNarrow(path_);
    struct stat now{};
    if (::stat(path.c_str(), &now) != 0) {
        snapshot_.reset();
        return nullptr;
    }
    if (snapshot_ && snapshot_->matches(now)) return snapshot_.get();
    // The files decoded lately, shared by every reader in the process: a
    // start reads its own INI file and at most a per-user and a paired one.
    // Never destroyed, so that the process's exit has nothing to tear down.
    static auto* recent = new std::array<std::shared_ptr<Snapshot>, 4>();
    static size_t nextSlot = 0;
    {
        std::lock_guard<std::mutex> lock(recentMutex);
        for (const std::shared_ptr<Snapshot>& entry : *recent) {
            if (entry && entry->path == path && entry->settled() && entry->matches(now)) {
                snapshot_ = entry;
                return snapshot_.get();
            }
        }
    }
    snapshot_.reset();
    UniqueDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) return nullptr;
    auto fresh = std::make_shared<Snapshot>();
    std::string bytes;
    if (fstat(fd.get(), &fresh->status) != 0 || readWholeDescriptor(fd.get(), bytes) != 0) return nullptr;
    fresh->text = decodeIniBytes(bytes);
    fresh->index = IniIndex(fresh->text);
    fresh->path = std::move(path);
    fresh->readAt = ::time(nullptr);
    snapshot_ = fresh;
    std::lock_guard<std::mutex> lock(recentMutex);
    auto same = std::find_if(recent->begin(), recent->end(), [&](const auto& e) { return e && e->path == fresh->path; });
    (same != recent->end() ? *same : (*recent)[nextSlot++ % recent->size()]) = std::move(fresh);
    return snapshot_.get();
}

uint32_t IniFile::readHeader(uint32_t& header) {
    UniqueDescriptor fd(::open(toNarrow(path_).c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) return static_cast<uint32_t>(errno);
    unsigned char bytes[sizeof header];
    ssize_t n;
    do {
        n = ::read(fd.get(), bytes, sizeof bytes);
    } while (n < 0 && errno == EINTR);
    if (n < 0) return static_cast<uint32_t>(errno);
    std::memcpy(&header, bytes, static_cast<size_t>(n));
    return 0;
}

void IniFile::getString(std::u16string_view section, std::u16string_view key, std::u16string& value) {
    value.clear();
    const Snapshot* snapshot = currentSnapshot();
    if (!snapshot) return;
    value = readIniValue(snapshot->index, section, key);
}

void IniFile::getSectionNames(TextList& names) {
    names.clear();
    const Snapshot* snapshot = currentSnapshot();
    if (!snapshot) return;
    for (std::u16string& name : listIniSections(snapshot->text)) {
        if (!name.empty()) names.push_back(std::move(name));
    }
}

bool IniFile::writeString(std::u16string_view section, std::u16string_view key, std::u16string_view value) {
    snapshot_.reset();
    std::string target;
    if (!resolveLink(toNarrow(path_), target)) return false;
    std::string bytes;
    mode_t mode = 0;
    int error = readWholeFile(target, bytes, &mode);
    // Anything but a missing file is left alone rather than overwritten.
    if (error != 0 && error != ENOENT) return false;
    std::optional<std::string> updated = setIniValue(bytes, section, key, value);
    if (!updated) return false;
    return replaceFileWhole(fromNarrow(target), *updated, error == 0 ? std::optional<uint32_t>(mode) : std::nullopt);
}

bool IniFile::deleteFile() {
    snapshot_.reset();
    return ::unlink(toNarrow(path_).c_str()) == 0;
}

} // namespace launcher
