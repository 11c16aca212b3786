#pragma once
// Telling a 32-bit x86 runtime library, which this 64-bit launcher cannot
// load, from one it can.

#include <string>
#include <string_view>

namespace launcher {

// True when the file at path is a 32-bit x86 image. Any failure on the way
// (missing file, not an image, truncated headers) is false.
bool isX86Library(std::u16string_view path);

// The header checks over a file's first bytes: a PE image whose NT headers
// lie inside the bytes and name the i386 machine; an ELF image of class 32
// for the i386 machine.
bool isX86PeImage(std::string_view bytes);
bool isX86ElfImage(std::string_view bytes);
// Offset of a PE image's NT headers when they lie wholly inside bytes.
bool peHeadersInside(std::string_view bytes, size_t& offset);

} // namespace launcher
