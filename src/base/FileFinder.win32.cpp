#include "base/FileFinder.h"
#include "base/Handles.win32.h"
#include "base/Wide.win32.h"

namespace launcher {

struct FileFinder::State {
    UniqueFindHandle handle;
    WIN32_FIND_DATAW data{};
};

FileFinder::FileFinder() : state_(std::make_unique<State>()) {}
FileFinder::~FileFinder() = default;

void FileFinder::close() {
    state_->handle.reset();
}

bool FileFinder::startSearch(const std::u16string& pattern) {
    state_->handle.reset(FindFirstFileW(wide(pattern), &state_->data));
    return static_cast<bool>(state_->handle);
}

bool FileFinder::findNext() {
    return state_->handle && FindNextFileW(state_->handle.get(), &state_->data);
}

std::u16string FileFinder::fileName() const {
    return fromWide(state_->data.cFileName);
}

bool FileFinder::isDirectory() const {
    return (state_->data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::optional<std::u16string> fullPathName(std::u16string_view path) {
    std::u16string text(path);
    std::u16string buffer(MAX_PATH, u'\0');
    for (;;) {
        DWORD length = GetFullPathNameW(wide(text), static_cast<DWORD>(buffer.size()), wide(buffer), nullptr);
        if (length == 0) return std::nullopt;
        // A result that fits reports its length without the terminating
        // zero; one that does not reports the size it needs.
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.assign(length, u'\0');
    }
}

bool pathExists(std::u16string_view path) {
    std::u16string text = longPathPattern(path);
    return GetFileAttributesW(wide(text)) != INVALID_FILE_ATTRIBUTES;
}

uint32_t lastSystemError() {
    return GetLastError();
}

void setLastSystemError(uint32_t error) {
    SetLastError(error);
}

} // namespace launcher
