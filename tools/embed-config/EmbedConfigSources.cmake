# The sources of the embed-config host tool; shared by its own build and by
# the Windows test build, which compiles the tool with the host compiler.
set(EMBED_CONFIG_SOURCES
  ${LAUNCHER_SOURCE_DIR}/tools/embed-config/EmbedConfig.cpp
  ${LAUNCHER_SOURCE_DIR}/src/base/Md5.cpp
  ${LAUNCHER_SOURCE_DIR}/src/base/Rc4.cpp
  ${LAUNCHER_SOURCE_DIR}/src/base/Text.cpp
  ${LAUNCHER_SOURCE_DIR}/src/base/Text.posix.cpp
  ${LAUNCHER_SOURCE_DIR}/src/config/EmbeddedSettings.cpp
  ${LAUNCHER_SOURCE_DIR}/src/config/EmbeddedSettings.posix.cpp)
set(EMBED_CONFIG_HEADERS
  ${LAUNCHER_SOURCE_DIR}/src/base/Md5.h
  ${LAUNCHER_SOURCE_DIR}/src/base/Rc4.h
  ${LAUNCHER_SOURCE_DIR}/src/base/Text.h
  ${LAUNCHER_SOURCE_DIR}/src/config/EmbeddedSettings.h)
