#include "SecretFile.h"

#include "Bytes.h"
#include "base/Handles.win32.h"

#include <random>

#include <windows.h>

namespace launcher::pack {

namespace {

// The user's own temporary folder (%TEMP%, in the profile), which other
// users cannot read.
std::wstring userTempFolder() {
    std::wstring buffer(MAX_PATH + 1, L'\0');
    for (;;) {
        DWORD length = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length == 0) throw PackError("the temporary folder is unknown: error " + std::to_string(GetLastError()));
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(length + 1);
    }
}

} // namespace

SecretFile::SecretFile(const std::string& content) {
    std::wstring folder = userTempFolder();
    std::random_device random;
    for (int attempt = 0; attempt < 20; ++attempt) {
        std::filesystem::path candidate = folder + L"launcher-pack-" + std::to_wstring(random()) + L".pass";
        // CREATE_NEW: never an existing file, and no one else opens it while
        // it is written.
        UniqueFileHandle file(CreateFileW(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_TEMPORARY, nullptr));
        if (!file) {
            if (GetLastError() == ERROR_FILE_EXISTS) continue;
            throw PackError("the password file cannot be created: error " + std::to_string(GetLastError()));
        }
        path_ = candidate;
        DWORD written = 0;
        if (!content.empty() &&
            (!WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr) ||
             written != content.size())) {
            DWORD code = GetLastError();
            file.reset();
            DeleteFileW(path_.c_str());
            throw PackError("the password file cannot be written: error " + std::to_string(code));
        }
        return;
    }
    throw PackError("the password file cannot be created: every name tried exists");
}

SecretFile::~SecretFile() { DeleteFileW(path_.c_str()); }

} // namespace launcher::pack
