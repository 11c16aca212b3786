# A cross build (the Windows target) needs launcher-pack for the build
# machine too: it brands test programs after they are linked. This builds it
# with the host compiler straight from the portable sources.
set(LAUNCHER_PACK_HOST_TOOL ${CMAKE_BINARY_DIR}/host/launcher-pack)
if(NOT TARGET launcher_pack_host)
  file(GLOB pack_host_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/launcher-pack/*.cpp)
  list(FILTER pack_host_sources EXCLUDE REGEX "\\.win32\\.cpp$")
  list(APPEND pack_host_sources
    ${CMAKE_SOURCE_DIR}/src/base/Md5.cpp ${CMAKE_SOURCE_DIR}/src/base/Rc4.cpp
    ${CMAKE_SOURCE_DIR}/src/base/Text.cpp ${CMAKE_SOURCE_DIR}/src/base/Text.posix.cpp
    ${CMAKE_SOURCE_DIR}/src/config/EmbeddedSettings.cpp ${CMAKE_SOURCE_DIR}/src/config/EmbeddedSettings.posix.cpp)
  file(GLOB pack_host_headers CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/launcher-pack/*.h)
  find_program(LAUNCHER_HOST_CXX NAMES c++ g++ REQUIRED)
  add_custom_command(OUTPUT ${LAUNCHER_PACK_HOST_TOOL}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/host
    COMMAND ${LAUNCHER_HOST_CXX} -std=c++20 -O1 -Wall -Wextra -Werror -Wno-missing-field-initializers
            -I${CMAKE_SOURCE_DIR}/src -I${CMAKE_SOURCE_DIR}/tools/launcher-pack ${pack_host_sources} -o ${LAUNCHER_PACK_HOST_TOOL}
    DEPENDS ${pack_host_sources} ${pack_host_headers}
    COMMENT "Building launcher-pack for the build machine"
    VERBATIM)
  add_custom_target(launcher_pack_host DEPENDS ${LAUNCHER_PACK_HOST_TOOL})
endif()
