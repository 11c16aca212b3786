#include "CodePage.h"

#include "base/Text.h"

#include <windows.h>

namespace launcher::pack {

std::optional<std::string> encodeInCodePage(std::string_view utf8, int codePage) {
    std::u16string wide = fromUtf8(utf8);
    if (wide.empty()) return std::string();
    auto* text = reinterpret_cast<const wchar_t*>(wide.data());
    const int length = static_cast<int>(wide.size());
    // No best fit: a character the code page lacks counts as missing, never
    // as a look-alike.
    BOOL defaulted = FALSE;
    int size = WideCharToMultiByte(static_cast<UINT>(codePage), WC_NO_BEST_FIT_CHARS, text, length, nullptr, 0, nullptr, &defaulted);
    if (size <= 0 || defaulted) return std::nullopt;
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(static_cast<UINT>(codePage), WC_NO_BEST_FIT_CHARS, text, length, bytes.data(), size, nullptr, &defaulted);
    if (defaulted) return std::nullopt;
    return bytes;
}

} // namespace launcher::pack
