#include "support/ScratchKeys.win32.h"

namespace launcher::test {

UniqueKey ScratchKeys::create(REGSAM viewFlag, const std::wstring& path, LSTATUS* status, HKEY hive) {
    UniqueKey key;
    for (size_t end = path.find(L'\\');; end = path.find(L'\\', end + 1)) {
        std::wstring prefix = path.substr(0, end);
        HKEY handle = nullptr;
        DWORD disposition = 0;
        LSTATUS result = RegCreateKeyExW(hive, prefix.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | viewFlag,
                                         nullptr, &handle, &disposition);
        if (status) *status = result;
        if (result != ERROR_SUCCESS) return UniqueKey();
        key.reset(handle);
        if (disposition == REG_CREATED_NEW_KEY) created_.push_back({hive, viewFlag, prefix});
        if (end == std::wstring::npos) return key;
    }
}

std::vector<std::wstring> ScratchKeys::removeAll() {
    std::vector<std::wstring> leftBehind;
    for (auto it = created_.rbegin(); it != created_.rend(); ++it) {
        if (RegDeleteKeyExW(it->hive, it->path.c_str(), it->viewFlag, 0) != ERROR_SUCCESS) {
            leftBehind.push_back(it->path);
        }
    }
    created_.clear();
    return leftBehind;
}

} // namespace launcher::test
