#pragma once
// The file system steps of an unpack, on launcher paths (UTF-16 on Windows,
// UTF-8 on Linux). Errors are the system's codes.

#include "base/UniqueResource.h"
#include "install/ByteSource.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace launcher {

bool pathExists(const std::u16string& path);
// Creates the folder; false (with kErrorAlreadyExists when something of
// that name is there) when it cannot.
bool createFolder(const std::u16string& path, uint32_t& error);
// Moves a folder in one step; never replaces what is at to.
bool moveFolder(const std::u16string& from, const std::u16string& to, uint32_t& error);
// Whether this system's runtime folders may hold symbolic links.
bool symbolicLinksSupported();
// Creates a symbolic link at path holding target as it is.
bool createSymbolicLink(const std::u16string& path, const std::string& target, uint32_t& error);
// Removes the folder and everything in it, as far as it can.
void removeTree(const std::u16string& path);

// A new file being written; removed by nobody but the tree it lies in.
class OutputFile {
public:
    OutputFile();
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the file, which must not exist yet (false with
    // kErrorAlreadyExists when something of that name is there). On Linux
    // mode's permission bits, when mode is not 0, keep a runtime's programs
    // executable; never more than 0755, and the umask applies as to every
    // new file, so an archive cannot make a file others may write.
    bool open(const std::u16string& path, uint32_t mode = 0);
    bool write(std::span<const uint8_t> bytes);
    bool close();
    // Ends the writing and hands over the same open file for reading from
    // its start: what is read is what was written, whatever happens to the
    // path meanwhile. Null, with error(), when it cannot.
    std::unique_ptr<ByteSource> readBack();
    uint32_t error() const { return error_; }

private:
    struct Handle;
    std::unique_ptr<Handle> handle_;
    uint32_t error_ = 0;
};

} // namespace launcher
