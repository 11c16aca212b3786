# Cross build of the 32-bit x86 Windows launcher with mingw-w64: the sibling a
# 64-bit launcher hands over to when the only fitting runtime is a 32-bit one.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(LAUNCHER_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MingwToolchain.cmake)
