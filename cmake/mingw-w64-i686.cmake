# Cross build of the 32-bit x86 Windows launcher with mingw-w64 (posix thread
# model): the sibling a 64-bit launcher hands over to when the only fitting
# runtime is a 32-bit one.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# The same Wine loader runs 32-bit programs once Wine's 32-bit support is
# installed, in a prefix made after it was.
find_program(LAUNCHER_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(NOT LAUNCHER_WINE64)
  find_program(LAUNCHER_WINE64 NAMES wine64 wine)
endif()
if(LAUNCHER_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${LAUNCHER_WINE64})
endif()
