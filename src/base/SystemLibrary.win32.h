#pragma once
// Libraries that only some starts need (pictures, dialogs, the shell) are
// loaded when first used instead of being imported: a plain start then maps
// and initialises none of them. They come from the system folder only, so a
// library of the same name beside the application or in the current folder
// never runs in the launcher.

#include "base/Handles.win32.h"

namespace launcher {

class SystemLibrary {
public:
    // name is a bare file name such as L"gdi32.dll".
    explicit SystemLibrary(const wchar_t* name);

    explicit operator bool() const { return static_cast<bool>(module_); }

    // The named export as the type its header declares, or null when the
    // library or the export is missing.
    template <typename Function>
    Function* find(const char* name) const {
        return reinterpret_cast<Function*>(address(name));
    }

private:
    using Address = void (*)();
    Address address(const char* name) const;

    UniqueLibrary module_;
};

// Loads name from the system folder; null when it is not there.
HMODULE loadSystemLibrary(const wchar_t* name);

} // namespace launcher
