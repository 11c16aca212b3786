# What both Windows cross builds share: the mingw-w64 compilers of one target
# triplet (posix thread model), libraries and headers from that target only,
# and Wine as the loader through which ctest and custom commands run the
# built programs (32-bit ones too, once Wine's 32-bit support is installed,
# in a prefix made after it was).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${LAUNCHER_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${LAUNCHER_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${LAUNCHER_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${LAUNCHER_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

find_program(LAUNCHER_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(NOT LAUNCHER_WINE64)
  find_program(LAUNCHER_WINE64 NAMES wine64 wine)
endif()
if(LAUNCHER_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${LAUNCHER_WINE64})
endif()
