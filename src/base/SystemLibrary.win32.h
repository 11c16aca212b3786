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

// An export's name as a template argument, so that each export is bound in
// a place of its own even where two exports share a type.
template <size_t Size>
struct ExportName {
    constexpr ExportName(const char (&name)[Size]) {
        for (size_t i = 0; i < Size; ++i) text[i] = name[i];
    }
    char text[Size];
};

// A system library loaded by the first export asked of it and kept for the
// process's life; Name is its bare file name in an array of static storage
// (constexpr wchar_t kGdi32[] = L"gdi32.dll"). Each export is looked up on
// its own first call and remembered, a missing one as null: the caller then
// gives its feature's own failure.
template <const wchar_t* Name>
class LazySystemLibrary {
public:
    template <typename Function, ExportName Export>
    static Function* bind() {
        static Function* const function = library().template find<Function>(Export.text);
        return function;
    }

private:
    static const SystemLibrary& library() {
        static const SystemLibrary loaded(Name);
        return loaded;
    }
};

} // namespace launcher
