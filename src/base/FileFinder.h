#pragma once
// One directory search. Long patterns (260 characters or more) are searched
// in their long-path form on Windows; patterns beyond 32766 characters are
// refused. The root is the full path of the pattern cut at its last
// separator.

#include "base/Text.h"

#include <memory>

namespace launcher {

class FileFinder {
public:
    FileFinder();
    ~FileFinder();
    FileFinder(const FileFinder&) = delete;
    FileFinder& operator=(const FileFinder&) = delete;

    // True when at least one entry matches. Without a pattern, "*.*".
    bool findFirst(std::u16string_view pattern = u"*.*");
    bool findNext();
    void close();

    bool found() const { return found_; }
    const std::u16string& root() const { return root_; }
    // Name (without folder) of the entry found last.
    std::u16string fileName() const;
    bool isDirectory() const;

    struct State; // the platform's search state

private:
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

// True when a file or folder of that path exists.
bool pathExists(std::u16string_view path);

} // namespace launcher
