#include "config/IniFile.h"

#include "base/Handles.win32.h"
#include "base/Wide.win32.h"

namespace launcher {

namespace {

// The private-profile calls signal truncation only through their result, so
// the buffer doubles until the result is below that mark. The cap keeps the
// size representable; no INI value comes near it.
constexpr DWORD kMaxBuffer = 0x40000000;

std::u16string terminatedCopy(const std::u16string& buffer) {
    return buffer.substr(0, buffer.find(u'\0'));
}

} // namespace

uint32_t IniFile::readHeader(uint32_t& header) {
    UniqueFileHandle file(CreateFileW(wide(path_), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return GetLastError();
    DWORD read = 0;
    if (!ReadFile(file.get(), &header, sizeof header, &read, nullptr)) return GetLastError();
    return 0;
}

void IniFile::getString(std::u16string_view section, std::u16string_view key, std::u16string& value) {
    std::u16string sectionText(section);
    std::u16string keyText(key);
    DWORD size = 256;
    std::u16string buffer(size, u'\0');
    DWORD result = GetPrivateProfileStringW(wide(sectionText), wide(keyText), L"", wide(buffer), size, wide(path_));
    while (result == size - 1 && size < kMaxBuffer) {
        size *= 2;
        buffer.assign(size, u'\0');
        result = GetPrivateProfileStringW(wide(sectionText), wide(keyText), L"", wide(buffer), size, wide(path_));
    }
    value = terminatedCopy(buffer);
}

void IniFile::getSectionNames(TextList& names) {
    names.clear();
    DWORD size = 256;
    std::u16string buffer(size, u'\0');
    DWORD result = GetPrivateProfileSectionNamesW(wide(buffer), size, wide(path_));
    while (result == size - 2 && size < kMaxBuffer) {
        size *= 2;
        buffer.assign(size, u'\0');
        result = GetPrivateProfileSectionNamesW(wide(buffer), size, wide(path_));
    }
    // The names and the terminator after the last one; each NUL ends a name.
    std::u16string name;
    for (DWORD i = 0; i <= result && i < size; ++i) {
        if (buffer[i] != u'\0') {
            name.push_back(buffer[i]);
            continue;
        }
        if (!name.empty()) names.push_back(std::move(name));
        name.clear();
    }
}

bool IniFile::writeString(std::u16string_view section, std::u16string_view key, std::u16string_view value) {
    std::u16string sectionText(section);
    std::u16string keyText(key);
    std::u16string valueText(value);
    return WritePrivateProfileStringW(wide(sectionText), wide(keyText), wide(valueText), wide(path_)) != FALSE;
}

bool IniFile::deleteFile() { return DeleteFileW(wide(path_)) != FALSE; }

} // namespace launcher
