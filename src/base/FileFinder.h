#pragma once
// One directory search. Long patterns (260 characters or more) are searched
// in their long-path form on Windows; patterns beyond 32766 characters are
// refused. The root is the full path of the pattern cut at its last
// separator.

#include "base/Platform.h"
#include "base/Text.h"

#include <cstdint>
#include <memory>
#include <optional>

namespace launcher {

// How paths are written: the separator, and whether the Windows forms
// (drive letters, network paths, long-path prefixes) have a meaning. The
// pure path functions take it as a parameter so that both forms can be
// checked on either target.
struct PathForm {
    char16_t separator;
    bool windows;
};
inline constexpr PathForm kWindowsPathForm{u'\\', true};
inline constexpr PathForm kPosixPathForm{u'/', false};
inline constexpr PathForm kPlatformPathForm{kPathSeparator, kWindows};

// The longest pattern a search accepts: the longest path the wide file
// functions take.
inline constexpr size_t kLongestSearchPattern = 32766;
// From this length on a pattern is searched in its long-path form.
inline constexpr size_t kLongPathThreshold = 260;

class FileFinder {
public:
    FileFinder();
    ~FileFinder();
    FileFinder(const FileFinder&) = delete;
    FileFinder& operator=(const FileFinder&) = delete;

    // True when at least one entry matches. Without a pattern, "*.*".
    // Only "*" and "?" are wildcards, and only in the last component;
    // "*.*" matches every name.
    bool findFirst(std::u16string_view pattern = u"*.*");
    // The next entry of the open search; false when there is none left.
    bool findNext();
    void close();

    bool found() const { return found_; }
    const std::u16string& root() const { return root_; }
    // Name (without folder) of the entry found last.
    std::u16string fileName() const;
    bool isDirectory() const;

    struct State; // the platform's search state

private:
    // The platform's first search step on the pattern as it is to be
    // searched; false (with the platform's error) when nothing matches.
    bool startSearch(const std::u16string& pattern);

    std::unique_ptr<State> state_;
    bool found_ = false;
    std::u16string root_;
};

// The long-path form of a search pattern: "\\?\" in front of a local path,
// "\\?\UNC\" in place of the two leading backslashes of a network path;
// patterns under 260 characters and those already in that form unchanged.
std::u16string longPathPattern(std::u16string_view pattern);

// True for a network path: two leading backslashes, other than the local
// long-path prefix "\\?\" (whose "\\?\UNC\" form is a network path again).
bool isUncPath(std::u16string_view path);

// True when the path begins with "\\?\UNC\" (the letters in any case).
// The prefix of a Windows path in its long form, "\\\\?\\".
inline constexpr std::u16string_view kLongPathPrefix = u"\\\\?\\";
bool hasLongUncPrefix(std::u16string_view path);

// The root of a search: the full path cut at its last separator (on
// Windows a backslash or a forward slash, whichever comes later), whole
// when it has none.
std::u16string searchRoot(std::u16string_view fullPath, PathForm form = kPlatformPathForm);

// The absolute form of a Linux path against a working folder, with "."
// and ".." resolved on the text and repeated separators merged, as the
// full-path function of Windows does. A trailing separator stays.
std::u16string absolutePosixPath(std::u16string_view path, std::u16string_view workingFolder);

// The full path of a path or pattern (GetFullPathNameW; on Linux the
// absolute form against the working folder); nothing when it cannot be
// determined.
std::optional<std::u16string> fullPathName(std::u16string_view path);

// True when a file or folder of that path exists.
bool pathExists(std::u16string_view path);

// The calling thread's last platform error (GetLastError, errno) and its
// setter, for operations that report through it.
uint32_t lastSystemError();
void setLastSystemError(uint32_t error);

} // namespace launcher
