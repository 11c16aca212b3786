# zlib for a Windows target that has no prebuilt static library (Debian's
# mingw-w64 zlib exists for x86 and x64 only): built with the target's C
# compiler from Debian's zlib sources, which scripts/setup unpacks into
# build/tools/zlib. Sets out_library to the library target and out_include
# to its header folder.
function(launcher_zlib_from_source out_library out_include)
  file(GLOB dirs LIST_DIRECTORIES true ${CMAKE_SOURCE_DIR}/build/tools/zlib/zlib-*)
  list(FILTER dirs INCLUDE REGEX "/zlib-[0-9][^/]*$")
  if(NOT dirs)
    message(FATAL_ERROR "No zlib for this target and no zlib sources in build/tools/zlib: run scripts/setup")
  endif()
  list(GET dirs 0 dir)
  # What inflating archives and their checksums need.
  set(names adler32 crc32 inffast inflate inftrees zutil)
  list(TRANSFORM names PREPEND ${dir}/)
  list(TRANSFORM names APPEND .c)
  add_library(launcher_zlib STATIC ${names})
  # Code of its own authors, built as they ship it: their warnings are not ours.
  target_compile_options(launcher_zlib PRIVATE -Os -ffunction-sections -fdata-sections -w)
  set(${out_library} launcher_zlib PARENT_SCOPE)
  set(${out_include} ${dir} PARENT_SCOPE)
endfunction()
