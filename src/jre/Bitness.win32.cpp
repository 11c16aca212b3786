#include "jre/Bitness.h"
#include "base/Handles.win32.h"
#include "base/Wide.win32.h"


namespace launcher {

namespace {

using ImageNtHeaderFunction = PIMAGE_NT_HEADERS(WINAPI*)(PVOID);

// The NT headers through the system's own image helper. The library comes
// from the system folder only: a Dbghelp.dll planted beside the application
// or in the current folder must never run in the launcher.
bool ntHeadersNameI386(void* image) {
    UniqueLibrary dbghelp(LoadLibraryExW(L"Dbghelp.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (!dbghelp) return false;
    auto imageNtHeader = reinterpret_cast<ImageNtHeaderFunction>(
        reinterpret_cast<void*>(GetProcAddress(dbghelp.get(), "ImageNtHeader")));
    if (!imageNtHeader) return false;
    PIMAGE_NT_HEADERS headers = imageNtHeader(image);
    return headers && headers->Signature == IMAGE_NT_SIGNATURE &&
           headers->FileHeader.Machine == IMAGE_FILE_MACHINE_I386;
}

} // namespace

bool isX86Library(std::u16string_view path) {
    std::u16string file(path);
    UniqueFileHandle handle(CreateFileW(wide(file), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle) return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handle.get(), &size) || size.QuadPart <= 0) return false;
    UniqueHandle mapping(CreateFileMappingW(handle.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping) return false;
    UniqueView view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
    if (!view) return false;
    std::string_view bytes(static_cast<const char*>(view.get()), static_cast<size_t>(size.QuadPart));
    // The image helper trusts the header offset it finds; a truncated or
    // forged file would make it read beyond the mapping, so the headers
    // must first be seen to lie inside the file.
    size_t offset = 0;
    if (!peHeadersInside(bytes, offset)) return false;
    return ntHeadersNameI386(view.get());
}

} // namespace launcher
