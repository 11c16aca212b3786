#pragma once
// The file-system steps of the start-up cache: the platform's implementation
// (CacheFiles.win32.cpp, CacheFiles.posix.cpp) or a stand-in in tests.

#include "base/Text.h"

#include <cstdint>
#include <optional>
#include <string>

namespace launcher {

// The file-system steps of the cache.
class CacheFiles {
public:
    virtual ~CacheFiles() = default;
    // The per-user cache folder (ends without a separator); empty when the
    // environment names none.
    virtual std::u16string userCacheFolder() = 0;
    // Creates the folder and the missing folders above it; true when it is
    // there afterwards.
    virtual bool makeFolders(std::u16string_view folder) = 0;
    // The path as the runtime can be given it (on Windows, the short form
    // where the ANSI code page lacks a character); nothing when no form
    // survives.
    virtual std::optional<std::u16string> narrowForm(std::u16string_view path) = 0;
    struct FileFacts {
        int64_t modified = 0; // in the platform's units
        uint64_t size = 0;
    };
    // Nothing when the file does not exist.
    virtual std::optional<FileFacts> fileFacts(std::u16string_view path) = 0;
    // Seconds from the file's last change to now; nothing when it does not
    // exist.
    virtual std::optional<int64_t> ageInSeconds(std::u16string_view path) = 0;
    // Up to count bytes from the file's start; nothing when unreadable.
    virtual std::optional<std::string> readHead(std::u16string_view path, size_t count) = 0;
    // Removes the file, read-only or not.
    virtual bool removeFile(std::u16string_view path) = 0;
    // True when a new file can be created in folder and the volume has at
    // least bytes free.
    virtual bool canWrite(std::u16string_view folder, uint64_t bytes) = 0;
    // The names of the folder's entries; empty when it cannot be read.
    virtual TextList folderEntries(std::u16string_view folder) = 0;
    // True when path is a folder that holds at least one entry.
    virtual bool isFolderWithEntries(std::u16string_view path) = 0;
    // Creates an empty file; false when it cannot or one is there.
    virtual bool createEmptyFile(std::u16string_view path) = 0;
    // Moves the file to its new name, replacing a file there.
    virtual bool renameFile(std::u16string_view from, std::u16string_view to) = 0;
    // This process's id, and whether a process of that id still runs.
    virtual uint32_t processId() = 0;
    virtual bool processRuns(uint32_t id) = 0;
};

// The platform's file system.
CacheFiles& platformCacheFiles();

} // namespace launcher
