#include "config/IniFile.h"

#include "base/Handles.win32.h"
#include "base/Text.h"
#include "base/Wide.win32.h"
#include "config/ConfigPaths.h"

namespace launcher {

namespace {

// The private-profile calls signal truncation only through their result, so
// the buffer doubles until the result is below that mark. The cap keeps the
// size representable; no INI value comes near it.
constexpr DWORD kMaxBuffer = 0x40000000;

std::u16string terminatedCopy(const std::u16string& buffer) {
    return buffer.substr(0, buffer.find(u'\0'));
}

bool survivesAnsi(std::u16string_view text) { return fromNarrow(toNarrow(text)) == text; }

// Creates the file with the UTF-16 byte-order mark when it does not exist
// yet; false when it exists (or cannot be made).
bool startUtf16File(const std::u16string& path) {
    UniqueFileHandle file(CreateFileW(wide(path), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    static const unsigned char kMark[] = {0xFF, 0xFE};
    DWORD written = 0;
    return WriteFile(file.get(), kMark, sizeof kMark, &written, nullptr) && written == sizeof kMark;
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
    // The profile functions write a file in the encoding it has, and a new
    // one in the ANSI code page, where a character the code page lacks
    // becomes "?" and the value reads back as another path. A new file is
    // therefore started as UTF-16, and a value that an existing ANSI file
    // cannot hold is refused rather than stored changed. A path the profile
    // functions cannot open gets no file at all: an empty one would hide the
    // launcher's own "JRE Path" at the next start.
    if (!iniPathFits(path_)) return false;
    if (!startUtf16File(path_)) {
        uint32_t header = 0;
        bool utf16 = readHeader(header) == 0 && (header & 0xFFFF) == 0xFEFF;
        if (!utf16 && !(survivesAnsi(section) && survivesAnsi(key) && survivesAnsi(value))) return false;
    }
    std::u16string sectionText(section);
    std::u16string keyText(key);
    std::u16string valueText(value);
    return WritePrivateProfileStringW(wide(sectionText), wide(keyText), wide(valueText), wide(path_)) != FALSE;
}

bool IniFile::deleteFile() { return DeleteFileW(wide(path_)) != FALSE; }

} // namespace launcher
