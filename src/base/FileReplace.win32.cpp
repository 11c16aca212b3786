#include "base/FileReplace.h"

#include "base/Handles.win32.h"
#include "base/Text.h"
#include "base/Wide.win32.h"
#include "install/LongPath.win32.h"

#include <algorithm>
#include <atomic>

namespace launcher {

namespace {

bool writeStateBytes(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD piece = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 20));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), piece, &written, nullptr) || written == 0) return false;
        bytes.remove_prefix(written);
    }
    return true;
}

} // namespace

bool replaceFileWhole(const std::u16string& path, std::string_view bytes, std::optional<uint32_t>) {
    static std::atomic<unsigned> counter{0};
    const std::u16string target = systemPath(path);
    std::u16string temporary;
    UniqueFileHandle file;
    // A name of this process's own; one left by a process of the same id
    // that crashed is passed over.
    for (int attempt = 0; attempt < 100 && !file; ++attempt) {
        temporary = target + u".saving-" + toDecimal(GetCurrentProcessId()) + u"-" + toDecimal(counter++);
        file.reset(CreateFileW(wide(temporary), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file && GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    }
    if (!file) return false;
    ScopeExit removeTemporary([&] { DeleteFileW(wide(temporary)); });
    if (!writeStateBytes(file.get(), bytes) || !FlushFileBuffers(file.get())) return false;
    file.reset();
    if (!MoveFileExW(wide(temporary), wide(target), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return false;
    removeTemporary.dismiss();
    return true;
}

} // namespace launcher
