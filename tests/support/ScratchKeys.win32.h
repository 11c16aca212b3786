#pragma once
// Registry keys (under HKEY_LOCAL_MACHINE unless a hive is named) that a
// test or benchmark creates for itself and removes again, deepest first;
// keys that existed before are left alone.

#include "base/Handles.win32.h"

#include <string>
#include <vector>

namespace launcher::test {

class ScratchKeys {
public:
    ScratchKeys() = default;
    ~ScratchKeys() { removeAll(); }
    ScratchKeys(const ScratchKeys&) = delete;
    ScratchKeys& operator=(const ScratchKeys&) = delete;

    // Creates the key and every missing key above it in the registry view
    // that viewFlag (KEY_WOW64_64KEY or KEY_WOW64_32KEY) selects. An empty
    // key on failure, with the status in *status when asked for.
    UniqueKey create(REGSAM viewFlag, const std::wstring& path, LSTATUS* status = nullptr,
                     HKEY hive = HKEY_LOCAL_MACHINE);
    // Removes every key created so far; the paths that could not be removed.
    std::vector<std::wstring> removeAll();

private:
    struct Created {
        HKEY hive;
        REGSAM viewFlag;
        std::wstring path;
    };
    std::vector<Created> created_;
};

} // namespace launcher::test
