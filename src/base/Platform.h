#pragma once
// The few constants in which the two targets differ. Everything else that is
// bound to the operating system lives behind a header with a .win32.cpp and a
// .posix.cpp implementation.

#include <cstdint>

namespace launcher {

#if defined(_WIN32)
inline constexpr char16_t kPathSeparator = u'\\';
inline constexpr char16_t kListSeparator = u';';
inline constexpr const char16_t* kPathVariable = u"Path";
inline constexpr bool kWindows = true;
// Windows error codes the portable code needs to recognise.
inline constexpr uint32_t kErrorFileNotFound = 2;
inline constexpr uint32_t kErrorAlreadyExists = 183;
inline constexpr uint32_t kErrorInvalidName = 123;
inline constexpr uint32_t kErrorInvalidParameter = 87;
inline constexpr uint32_t kErrorOutOfMemory = 14;
#else
inline constexpr char16_t kPathSeparator = u'/';
inline constexpr char16_t kListSeparator = u':';
inline constexpr const char16_t* kPathVariable = u"PATH";
inline constexpr bool kWindows = false;
// errno values in the roles of the Windows codes above.
inline constexpr uint32_t kErrorFileNotFound = 2;   // ENOENT
inline constexpr uint32_t kErrorAlreadyExists = 17; // EEXIST
inline constexpr uint32_t kErrorInvalidName = 36;   // ENAMETOOLONG
inline constexpr uint32_t kErrorInvalidParameter = 22; // EINVAL
inline constexpr uint32_t kErrorOutOfMemory = 12;   // ENOMEM
#endif

// True in a build for 64-bit ARM processors. The process's machine is the
// build's: the pointer size alone cannot tell ARM64 from x64.
#if defined(__aarch64__) || defined(_M_ARM64)
inline constexpr bool kArm64Build = true;
#else
inline constexpr bool kArm64Build = false;
#endif

// Opaque window handle: HWND on Windows, always null on Linux.
using WindowHandle = void*;

} // namespace launcher
