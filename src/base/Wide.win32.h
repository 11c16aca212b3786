#pragma once
// The Win32 boundary: wchar_t is a UTF-16 unit on Windows, so launcher text
// is handed to the API as it is.

#include <string>
#include <string_view>

namespace launcher {

inline const wchar_t* wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}
inline wchar_t* wide(std::u16string& text) {
    return reinterpret_cast<wchar_t*>(text.data());
}
inline std::u16string fromWide(const wchar_t* text) {
    return text ? std::u16string(reinterpret_cast<const char16_t*>(text)) : std::u16string();
}
inline std::u16string fromWide(const wchar_t* text, size_t length) {
    return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}

} // namespace launcher
