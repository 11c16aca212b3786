# Cross build of the Windows x64 launcher with mingw-w64.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(LAUNCHER_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MingwToolchain.cmake)
