#include "base/SystemError.h"
#include "base/Text.h"
#include "base/UniqueResource.h"

#include <windows.h>

namespace launcher {

std::u16string systemErrorText(uint32_t code) {
    wchar_t* buffer = nullptr;
    // The system allocates a buffer of the text's own size: no text is cut.
    DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    ScopeExit release([&] { LocalFree(buffer); });
    std::u16string text(buffer ? reinterpret_cast<const char16_t*>(buffer) : u"", buffer ? length : 0);
    while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r' || text.back() == u' ' || text.back() == u'.')) {
        text.pop_back();
    }
    if (text.empty()) return u"error " + toDecimal(static_cast<long long>(code));
    return text;
}

} // namespace launcher
