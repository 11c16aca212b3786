# Cross build of the Windows ARM64 launcher with zig 0.11 (clang 16 with the
# mingw-w64 headers and C runtime, libc++ linked statically), which
# scripts/setup --arm64 installs into build/tools/zig. Resources go through
# LLVM's windres; archives and stripping through LLVM's tools, which read
# ARM64 objects (the host's binutils do not).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ARM64)
set(LAUNCHER_ZIG_WRAPPERS ${CMAKE_CURRENT_LIST_DIR}/zig)
# zig builds libc++ and the C runtime into its cache on the first link, and
# a link of a source file (as CMake's compiler identification does) gets
# builds of its own that the project's links never use: minutes of
# compiling for nothing. With a compiler target named, CMake identifies the
# compiler with -c; its other checks build static libraries. So only the
# project's own links link, and the runtime libraries are built once.
set(CMAKE_C_COMPILER_TARGET aarch64-windows-gnu)
set(CMAKE_CXX_COMPILER_TARGET aarch64-windows-gnu)
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
set(CMAKE_C_COMPILER ${LAUNCHER_ZIG_WRAPPERS}/aarch64-windows-cc)
set(CMAKE_CXX_COMPILER ${LAUNCHER_ZIG_WRAPPERS}/aarch64-windows-c++)
set(CMAKE_RC_COMPILER ${LAUNCHER_ZIG_WRAPPERS}/aarch64-windows-windres)
find_program(CMAKE_AR NAMES llvm-ar-14 llvm-ar REQUIRED)
find_program(CMAKE_RANLIB NAMES llvm-ranlib-14 llvm-ranlib REQUIRED)
find_program(CMAKE_OBJCOPY NAMES llvm-objcopy-14 llvm-objcopy REQUIRED)
# Nothing of the host's is linked into an ARM64 program.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
