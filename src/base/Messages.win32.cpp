#include "base/Messages.h"
#include "base/ConsoleVariant.h"
#include "base/ModulePath.h"
#include "base/Wide.win32.h"

#include <windows.h>

namespace launcher {

std::u16string loadMessage(MessageId id) {
    HINSTANCE module = GetModuleHandleW(nullptr);
    std::u16string buffer(256, u'\0');
    while (true) {
        int length = LoadStringW(module, static_cast<UINT>(id), wide(buffer), static_cast<int>(buffer.size()));
        if (length < 0) length = 0;
        // A string that fills the buffer may have been cut: grow and load again.
        if (static_cast<size_t>(length) + 2 <= buffer.size()) {
            buffer.resize(static_cast<size_t>(length));
            return buffer;
        }
        buffer.assign(buffer.size() * 2, u'\0');
    }
}

int presentError(WindowHandle owner, std::u16string_view text) {
    if (isConsoleVariant()) {
        std::u16string module;
        readModulePath(module);
        writeStandardError(messageLine(programNameOf(module), text) + u"\r\n");
        return IDOK; // the one answer the box would have had
    }
    std::u16string message(text);
    return MessageBoxW(static_cast<HWND>(owner), wide(message), nullptr, MB_ICONERROR);
}

} // namespace launcher
