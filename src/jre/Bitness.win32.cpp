#include "jre/Bitness.h"
#include "base/Handles.win32.h"
#include "base/Wide.win32.h"

#include <cstdint>


namespace launcher {

namespace {

using ImageNtHeaderFunction = PIMAGE_NT_HEADERS(WINAPI*)(PVOID);

// The NT headers through the system's own image helper. The library comes
// from the system folder only: a Dbghelp.dll planted beside the application
// or in the current folder must never run in the launcher.
LibraryWidth ntHeadersWidth(void* image) {
    UniqueLibrary dbghelp(LoadLibraryExW(L"Dbghelp.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (!dbghelp) return LibraryWidth::Unknown;
    auto imageNtHeader = reinterpret_cast<ImageNtHeaderFunction>(
        reinterpret_cast<void*>(GetProcAddress(dbghelp.get(), "ImageNtHeader")));
    if (!imageNtHeader) return LibraryWidth::Unknown;
    // The signature and the file header are laid out alike in both widths'
    // NT headers, so a 32-bit process reads a 64-bit image's machine too.
    PIMAGE_NT_HEADERS headers = imageNtHeader(image);
    if (!headers || headers->Signature != IMAGE_NT_SIGNATURE) return LibraryWidth::Unknown;
    return widthOfPeMachine(headers->FileHeader.Machine);
}

} // namespace

LibraryWidth libraryWidth(std::u16string_view path) {
    std::u16string file(path);
    UniqueFileHandle handle(CreateFileW(wide(file), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle) return LibraryWidth::Unknown;
    LARGE_INTEGER size{};
    // A 32-bit process cannot view a file beyond its address space; no
    // runtime library comes near that size.
    if (!GetFileSizeEx(handle.get(), &size) || size.QuadPart <= 0 ||
        static_cast<unsigned long long>(size.QuadPart) > SIZE_MAX / 2) {
        return LibraryWidth::Unknown;
    }
    UniqueHandle mapping(CreateFileMappingW(handle.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping) return LibraryWidth::Unknown;
    UniqueView view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
    if (!view) return LibraryWidth::Unknown;
    std::string_view bytes(static_cast<const char*>(view.get()), static_cast<size_t>(size.QuadPart));
    // The image helper trusts the header offset it finds; a truncated or
    // forged file would make it read beyond the mapping, so the headers
    // must first be seen to lie inside the file.
    size_t offset = 0;
    if (!peHeadersInside(bytes, offset)) return LibraryWidth::Unknown;
    return ntHeadersWidth(view.get());
}

} // namespace launcher
