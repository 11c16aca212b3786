#include "base/FileFinder.h"
#include "base/FileFinder.posix.h"
#include "base/UniqueResource.h"

#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace launcher {

namespace {

void closeDirectory(DIR* dir) { closedir(dir); }
using UniqueDirectory = UniqueResource<NullEmptyTraits<DIR*, closeDirectory>>;

bool hasWildcard(std::string_view name) {
    return name.find_first_of("*?") != std::string_view::npos;
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

// Greedy matching that steps back only to the last "*": at worst the
// product of the lengths, never the recursion many stars would need.
template <typename Unit>
bool wildcardMatch(std::basic_string_view<Unit> pattern, std::basic_string_view<Unit> name) {
    constexpr size_t kNone = std::basic_string_view<Unit>::npos;
    size_t p = 0;
    size_t n = 0;
    size_t star = kNone;
    size_t resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == Unit('*')) {
            star = p++;
            resume = n;
        } else if (p < pattern.size() && (pattern[p] == Unit('?') || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (star != kNone) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == Unit('*')) ++p;
    return p == pattern.size();
}

// The text's UTF-16 units when it is UTF-8, nothing otherwise.
std::optional<std::u16string> utf16Units(std::string_view text) {
    std::u16string units = fromUtf8(text);
    if (toUtf8(units) != text) return std::nullopt;
    return units;
}

} // namespace

bool searchNameMatches(std::string_view pattern, std::string_view name) {
    if (pattern == "*.*") return true;
    // fnmatch is not used: in a UTF-8 locale glibc's "?" takes a byte or a
    // character depending on what stands around it.
    const std::optional<std::u16string> p = utf16Units(pattern);
    const std::optional<std::u16string> n = p ? utf16Units(name) : std::nullopt;
    if (p && n) return wildcardMatch<char16_t>(*p, *n);
    return wildcardMatch<char>(pattern, name);
}

struct FileFinder::State {
    UniqueDirectory dir;  // open only while a wildcard search goes on
    std::string folder;   // the searched folder, "/" ended
    std::string pattern;  // the name pattern of the last component
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
    s.pattern = name;
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
        if (!searchNameMatches(s.pattern, entry->d_name)) continue;
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
