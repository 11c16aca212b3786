#pragma once
// Owners of the GDI and shell objects the dialogs create.

#include "base/Gdi.win32.h"
#include "base/UniqueResource.h"
#include "ui/Shell.win32.h"

#include <windows.h>

namespace launcher {

namespace detail {
inline void deleteFont(HFONT font) { gdi::DeleteObject(font); }
inline void destroyWindow(HWND window) { DestroyWindow(window); }
inline void freeTaskMemory(void* memory) { com::CoTaskMemFree(memory); }
} // namespace detail

using UniqueFont = UniqueResource<NullEmptyTraits<HFONT, detail::deleteFont>>;
using UniqueWindow = UniqueResource<NullEmptyTraits<HWND, detail::destroyWindow>>;
using UniqueTaskMemory = UniqueResource<NullEmptyTraits<void*, detail::freeTaskMemory>>;

// COM for the calling thread while the object lives, when it could be had.
class ComApartment {
public:
    ComApartment() : initialised_(SUCCEEDED(com::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComApartment() {
        if (initialised_) com::CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool initialised_;
};

} // namespace launcher
