# A cross build (the Windows target) needs launcher-pack for the build
# machine too: it brands test programs after they are linked.
#
# LAUNCHER_HOST_BUILD names a build folder for the build machine (the
# windows preset names build/linux). Once that folder is configured, its own
# launcher-pack is brought up to date and used, instead of compiling the same
# sources here a second time (most of a minute of processor time). Without
# it, the tool is built here with the host compiler straight from the
# portable sources.
set(LAUNCHER_HOST_BUILD "" CACHE PATH "Build folder for the build machine whose launcher-pack the cross build uses")
if(LAUNCHER_HOST_BUILD AND EXISTS ${LAUNCHER_HOST_BUILD}/CMakeCache.txt)
  set(LAUNCHER_PACK_HOST_TOOL ${LAUNCHER_HOST_BUILD}/bin/launcher-pack)
  if(NOT TARGET launcher_pack_host)
    add_custom_target(launcher_pack_host
      COMMAND ${CMAKE_COMMAND} --build ${LAUNCHER_HOST_BUILD} --target launcher-pack
      COMMENT "Bringing launcher-pack of ${LAUNCHER_HOST_BUILD} up to date"
      VERBATIM)
  endif()
  return()
endif()
set(LAUNCHER_PACK_HOST_TOOL ${CMAKE_BINARY_DIR}/host/launcher-pack)
if(NOT TARGET launcher_pack_host)
  file(GLOB pack_host_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/launcher-pack/*.cpp)
  list(FILTER pack_host_sources EXCLUDE REGEX "\\.win32\\.cpp$")
  list(APPEND pack_host_sources
    ${CMAKE_SOURCE_DIR}/src/base/Md5.cpp ${CMAKE_SOURCE_DIR}/src/base/Rc4.cpp
    ${CMAKE_SOURCE_DIR}/src/base/Text.cpp ${CMAKE_SOURCE_DIR}/src/base/Text.posix.cpp
    ${CMAKE_SOURCE_DIR}/src/config/EmbeddedSettings.cpp ${CMAKE_SOURCE_DIR}/src/config/EmbeddedSettings.posix.cpp
    ${CMAKE_SOURCE_DIR}/src/config/FolderName.cpp ${CMAKE_SOURCE_DIR}/src/config/RuntimeDownload.cpp
    ${CMAKE_SOURCE_DIR}/src/config/IniText.cpp ${CMAKE_SOURCE_DIR}/src/config/IniLines.cpp
    ${CMAKE_SOURCE_DIR}/src/install/Download.cpp ${CMAKE_SOURCE_DIR}/src/config/AddressPolicy.cpp
    ${CMAKE_SOURCE_DIR}/src/install/HttpExchange.posix.cpp ${CMAKE_SOURCE_DIR}/src/install/StallLimit.cpp
    ${CMAKE_SOURCE_DIR}/src/install/TrustedCertificates.cpp
    ${CMAKE_SOURCE_DIR}/src/base/Format.cpp ${CMAKE_SOURCE_DIR}/src/base/Messages.cpp
    ${CMAKE_SOURCE_DIR}/src/base/Messages.posix.cpp ${CMAKE_SOURCE_DIR}/src/base/ConsoleVariant.cpp
    ${CMAKE_SOURCE_DIR}/src/base/PathText.cpp)
  find_program(LAUNCHER_HOST_CXX NAMES c++ g++ REQUIRED)
  # One object a source, each through the compiler cache when there is one,
  # so that the sources compile side by side and a fresh build folder takes
  # them from the cache; the dependency files name every header read.
  set(host_objects)
  foreach(source ${pack_host_sources})
    file(RELATIVE_PATH relative ${CMAKE_SOURCE_DIR} ${source})
    string(REPLACE "/" "_" object_name ${relative})
    set(object ${CMAKE_BINARY_DIR}/host/objects/${object_name}.o)
    add_custom_command(OUTPUT ${object}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/host/objects
      COMMAND ${LAUNCHER_CCACHE_COMMAND} ${LAUNCHER_HOST_CXX} -std=c++20 -O1 -Wall -Wextra -Werror
              -Wno-missing-field-initializers -I${CMAKE_SOURCE_DIR}/src -I${CMAKE_SOURCE_DIR}/tools/launcher-pack
              -I${CMAKE_SOURCE_DIR}/resources -isystem ${LAUNCHER_JSON_ONLY}
              -MD -MF ${object}.d -c ${source} -o ${object}
      DEPENDS ${source}
      DEPFILE ${object}.d
      COMMENT "Compiling ${relative} for the build machine"
      VERBATIM)
    list(APPEND host_objects ${object})
  endforeach()
  add_custom_command(OUTPUT ${LAUNCHER_PACK_HOST_TOOL}
    COMMAND ${LAUNCHER_HOST_CXX} ${host_objects} -ldl -o ${LAUNCHER_PACK_HOST_TOOL}
    DEPENDS ${host_objects}
    COMMENT "Linking launcher-pack for the build machine"
    VERBATIM)
  add_custom_target(launcher_pack_host DEPENDS ${LAUNCHER_PACK_HOST_TOOL})
endif()
