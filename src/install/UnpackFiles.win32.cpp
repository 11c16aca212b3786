#include "install/UnpackFiles.h"

#include "base/Handles.win32.h"
#include "base/Platform.h"
#include "base/Wide.win32.h"
#include "install/FileSource.win32.h"
#include "install/LongPath.win32.h"

#include <windows.h>

namespace launcher {

namespace {

const wchar_t* systemText(const std::u16string& path) { return wide(path); }

// Each path gets its long form on its own: a folder short enough for the
// plain form can hold files too deep for it, which Windows would neither
// find nor delete through a plain path.
void removeTreeAt(const std::u16string& plain) {
    const std::u16string path = systemPath(plain);
    const DWORD attributes = GetFileAttributesW(systemText(path));
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    // A folder that is a junction or link is removed, never entered.
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(systemText(path), FILE_ATTRIBUTE_NORMAL);
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            RemoveDirectoryW(systemText(path));
        } else {
            DeleteFileW(systemText(path));
        }
        return;
    }
    WIN32_FIND_DATAW found;
    const std::u16string pattern = path + u"\\*";
    if (UniqueFindHandle search{FindFirstFileW(systemText(pattern), &found)}) {
        do {
            const std::u16string name = fromWide(found.cFileName);
            if (name != u"." && name != u"..") removeTreeAt(plain + u"\\" + name);
        } while (FindNextFileW(search.get(), &found));
    }
    RemoveDirectoryW(systemText(path));
}

} // namespace

struct OutputFile::Handle {
    UniqueFileHandle file;
};

bool pathExists(const std::u16string& path) {
    return GetFileAttributesW(systemText(systemPath(path))) != INVALID_FILE_ATTRIBUTES;
}

bool createFolder(const std::u16string& path, uint32_t& error) {
    if (CreateDirectoryW(systemText(systemPath(path)), nullptr)) return true;
    error = GetLastError();
    return false;
}

bool moveFolder(const std::u16string& from, const std::u16string& to, uint32_t& error) {
    // Without MOVEFILE_REPLACE_EXISTING the move fails when to exists.
    if (MoveFileExW(systemText(systemPath(from)), systemText(systemPath(to)), 0)) return true;
    error = GetLastError();
    return false;
}

// Creating a link needs a privilege or developer mode, and a link in a
// runtime's folder is of no use to a Windows runtime.
bool symbolicLinksSupported() { return false; }

bool createSymbolicLink(const std::u16string&, const std::string&, uint32_t& error) {
    error = ERROR_NOT_SUPPORTED;
    return false;
}

void removeTree(const std::u16string& path) { removeTreeAt(path); }

OutputFile::OutputFile() : handle_(std::make_unique<Handle>()) {}
OutputFile::~OutputFile() = default;

bool OutputFile::open(const std::u16string& path, uint32_t) {
    // Shared with nobody: no other program writes, replaces or deletes the
    // file while it is open here. Readable, so that a download can be
    // unpacked through the handle it was written with.
    handle_->file.reset(CreateFileW(systemText(systemPath(path)), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (handle_->file) return true;
    error_ = GetLastError();
    // CREATE_NEW says ERROR_FILE_EXISTS where creating a folder says
    // ERROR_ALREADY_EXISTS: callers that try the next name test for one.
    if (error_ == ERROR_FILE_EXISTS) error_ = kErrorAlreadyExists;
    return false;
}

bool OutputFile::write(std::span<const uint8_t> bytes) {
    while (!bytes.empty()) {
        DWORD piece = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!WriteFile(handle_->file.get(), bytes.data(), piece, &written, nullptr) || written == 0) {
            error_ = GetLastError();
            return false;
        }
        bytes = bytes.subspan(written);
    }
    return true;
}

bool OutputFile::close() {
    HANDLE file = handle_->file.release();
    if (!CloseHandle(file)) {
        error_ = GetLastError();
        return false;
    }
    return true;
}

std::unique_ptr<ByteSource> OutputFile::readBack() {
    return fileSource(std::move(handle_->file), error_);
}

} // namespace launcher
