#include "base/FileFinder.h"
#include "base/UniqueResource.h"

#include <cerrno>
#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

namespace launcher {

namespace {

void closeDirectory(DIR* dir) { closedir(dir); }
using UniqueDirectory = UniqueResource<NullEmptyTraits<DIR*, closeDirectory>>;

bool hasWildcard(std::string_view name) {
    return name.find_first_of("*?") != std::string_view::npos;
}

// The name pattern in fnmatch's language with only "*" and "?" as
// wildcards, as on Windows: brackets and backslashes are literal.
// "*.*" matches every name there, dot or not.
std::string matcherFor(std::string_view name) {
    if (name == "*.*") return "*";
    std::string out;
    for (char c : name) {
        if (c == '[' || c == '\\') out.push_back('\\');
        out.push_back(c);
    }
    return out;
}

bool isDirectoryPath(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::optional<std::string> workingFolder() {
    std::string buffer(256, '\0');
    for (;;) {
        if (getcwd(buffer.data(), buffer.size())) {
            buffer.resize(std::char_traits<char>::length(buffer.c_str()));
            return buffer;
        }
        if (errno != ERANGE) return std::nullopt;
        buffer.assign(buffer.size() * 2, '\0');
    }
}

} // namespace

struct FileFinder::State {
    UniqueDirectory dir;  // open only while a wildcard search goes on
    std::string folder;   // the searched folder, "/" ended
    std::string matcher;  // the name pattern for fnmatch
    std::string name;     // the entry found last
    bool directory = false;
};

FileFinder::FileFinder() : state_(std::make_unique<State>()) {}
FileFinder::~FileFinder() = default;

void FileFinder::close() {
    state_->dir.reset();
}

bool FileFinder::startSearch(const std::u16string& pattern) {
    State& s = *state_;
    std::string narrow = toNarrow(pattern);
    size_t cut = narrow.rfind('/');
    s.folder = cut == std::string::npos ? std::string() : narrow.substr(0, cut + 1);
    std::string name = cut == std::string::npos ? narrow : narrow.substr(cut + 1);
    if (name.empty()) {
        errno = ENOENT;
        return false;
    }
    if (!hasWildcard(name)) {
        // Without wildcards the pattern names exactly one file or folder.
        struct stat info;
        if (lstat(narrow.c_str(), &info) != 0) return false;
        s.name = name;
        s.directory = isDirectoryPath(narrow);
        return true;
    }
    s.matcher = matcherFor(name);
    s.dir.reset(opendir(s.folder.empty() ? "." : s.folder.c_str()));
    if (!s.dir) return false;
    if (findNext()) return true;
    close();
    errno = ENOENT;
    return false;
}

bool FileFinder::findNext() {
    State& s = *state_;
    if (!s.dir) return false;
    while (dirent* entry = readdir(s.dir.get())) {
        if (fnmatch(s.matcher.c_str(), entry->d_name, 0) != 0) continue;
        s.name = entry->d_name;
        if (entry->d_type == DT_DIR) {
            s.directory = true;
        } else if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            // A link to a folder is used as that folder.
            s.directory = isDirectoryPath(s.folder + s.name);
        } else {
            s.directory = false;
        }
        return true;
    }
    return false;
}

std::u16string FileFinder::fileName() const {
    return fromNarrow(state_->name);
}

bool FileFinder::isDirectory() const {
    return state_->directory;
}

std::optional<std::u16string> fullPathName(std::u16string_view path) {
    if (!path.empty() && path[0] == u'/') return absolutePosixPath(path, u"/");
    std::optional<std::string> folder = workingFolder();
    if (!folder) return std::nullopt;
    return absolutePosixPath(path, fromNarrow(*folder));
}

bool pathExists(std::u16string_view path) {
    struct stat info;
    return lstat(toNarrow(path).c_str(), &info) == 0;
}

uint32_t lastSystemError() {
    return static_cast<uint32_t>(errno);
}

void setLastSystemError(uint32_t error) {
    errno = static_cast<int>(error);
}

} // namespace launcher
