#pragma once
// Which of the machines the launcher is built for a runtime library was
// built for (x86, x64, ARM64). A process loads only libraries of its own
// machine: the x64 launcher hands a 32-bit runtime to its 32-bit pair, the
// 32-bit launcher turns a 64-bit one away with a message instead of a bare
// loader error, and the x64 and ARM64 launchers pass over each other's
// runtimes.

#include "base/Platform.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace launcher {

enum class LibraryWidth { Unknown, X86, X64, Arm64 };

// This process's own machine, as it was built.
inline constexpr LibraryWidth kProcessWidth =
    kArm64Build ? LibraryWidth::Arm64 : sizeof(void*) == 4 ? LibraryWidth::X86 : LibraryWidth::X64;

// The machine's name as users know it: "x64", "ARM64", "x86 (32-bit)".
std::u16string_view architectureName(LibraryWidth width);

// What a library file's headers say: whether it is an image at all, and
// the machine it was built for.
enum class ImageState { Unreadable, NotAnImage, Truncated, Image };
struct LibraryImage {
    ImageState state = ImageState::Unreadable;
    uint32_t machine = 0;                       // the header's machine field
    LibraryWidth width = LibraryWidth::Unknown; // set for i386, x86-64 and ARM64 only
    bool elf = false;                           // the machine is numbered as ELF numbers it
};

// How much of a library is read to judge it: the headers of every real
// runtime library lie well inside it.
inline constexpr size_t kImageHeadLimit = 4096;

// The headers of the platform's image format (PE on Windows, ELF on Linux)
// in head, the file's first bytes: the whole file when it is shorter than
// kImageHeadLimit.
LibraryImage readPeImage(std::string_view head);
LibraryImage readElfImage(std::string_view head);
LibraryImage readPlatformImage(std::string_view head);
// The file's own headers, read with the reader above (never through a
// system library: the search judges many candidates).
LibraryImage inspectLibrary(std::u16string_view path);

// Why a process that loads libraries of width wanted cannot load the image;
// empty when it can.
std::u16string imageRejection(const LibraryImage& image, LibraryWidth wanted);
// True when no build of the launcher can load it: not an image, cut short,
// or built for a machine the launcher is not built for.
bool isForeignImage(const LibraryImage& image);

// What a launcher of width process does with a runtime library: loads it,
// hands it to its 32-bit pair (only the x64 launcher, only a 32-bit
// library), or passes it over (imageRejection says why).
enum class ImageUse { Loads, Pair, Refused };
ImageUse imageUse(const LibraryImage& image, LibraryWidth process);

// The width of the image file at path. Any failure on the way (missing file,
// not an image, truncated headers, another machine) is Unknown.
LibraryWidth libraryWidth(std::u16string_view path);
// True when the file at path is a 32-bit x86 image.
bool isX86Library(std::u16string_view path);

// True when a process of processWidth can never load the library at path
// because it is built for the other width. Unknown widths are let through:
// the loader then says what is wrong with the file.
bool libraryTooWide(LibraryWidth processWidth, std::u16string_view path);

// The header checks over a file's first bytes: a PE image whose NT headers
// lie inside the bytes and name the i386, AMD64 or ARM64 machine; an ELF
// image of class 32 for i386 or class 64 for x86-64 or AArch64,
// little-endian.
LibraryWidth peImageWidth(std::string_view bytes);
LibraryWidth elfImageWidth(std::string_view bytes);
inline bool isX86PeImage(std::string_view bytes) { return peImageWidth(bytes) == LibraryWidth::X86; }
inline bool isX86ElfImage(std::string_view bytes) { return elfImageWidth(bytes) == LibraryWidth::X86; }
// The width named by a PE file header's machine field.
LibraryWidth widthOfPeMachine(unsigned machine);
// Offset of a PE image's NT headers when they lie wholly inside bytes.
bool peHeadersInside(std::string_view bytes, size_t& offset);

} // namespace launcher
