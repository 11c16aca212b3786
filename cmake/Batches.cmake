# Compiling in batches: a target's C++ sources are compiled eight at a time,
# each batch one generated file that includes them, so the headers nearly
# every file includes (the standard library, GoogleTest, <windows.h>) are
# parsed once per batch instead of once per file. That takes more than half
# off a build from nothing. Names local to a file must therefore be distinct
# within its target.
#
# CMake's own unity build writes absolute paths into the files it generates;
# these name each source relative to the source tree, so that two clones
# produce the same files and share the compiler cache.
option(LAUNCHER_UNITY "Compile each target's sources in batches of eight (unity build)" ON)
set(LAUNCHER_BATCH_SIZE 8)

# Replaces a target's C++ sources by batches of them. A source that must
# keep an object of its own (SKIP_UNITY_BUILD_INCLUSION) is compiled alone,
# as are the sources of a target that has fewer than two.
function(launcher_compile_in_batches target)
  get_target_property(sources ${target} SOURCES)
  get_target_property(source_dir ${target} SOURCE_DIR)
  set(batched)
  set(kept)
  foreach(source IN LISTS sources)
    set(alone ON)
    if(source MATCHES "\\.(cpp|cc)$" AND NOT source MATCHES "^\\$<")
      get_filename_component(path ${source} ABSOLUTE BASE_DIR ${source_dir})
      get_source_file_property(alone ${path} DIRECTORY ${source_dir} SKIP_UNITY_BUILD_INCLUSION)
    endif()
    if(alone)
      list(APPEND kept ${source})
    else()
      list(APPEND batched ${path})
    endif()
  endforeach()
  list(LENGTH batched count)
  if(count LESS 2)
    return()
  endif()
  set(batches)
  set(text "")
  set(in_batch 0)
  foreach(path IN LISTS batched)
    file(RELATIVE_PATH relative ${CMAKE_SOURCE_DIR} ${path})
    string(APPEND text "#include \"${relative}\"\n")
    math(EXPR in_batch "${in_batch} + 1")
    if(in_batch EQUAL LAUNCHER_BATCH_SIZE)
      launcher_write_batch(${target} batches "${text}")
      set(text "")
      set(in_batch 0)
    endif()
  endforeach()
  if(in_batch GREATER 0)
    launcher_write_batch(${target} batches "${text}")
  endif()
  set_property(TARGET ${target} PROPERTY SOURCES ${kept} ${batches})
  # The batches find their sources from the top of the source tree. A type
  # that uses a source's anonymous namespace is no longer in the "main
  # file", which GCC would warn about for every fixture.
  target_compile_options(${target} PRIVATE -iquote ${CMAKE_SOURCE_DIR}
    $<$<AND:$<COMPILE_LANGUAGE:CXX>,$<CXX_COMPILER_ID:GNU>>:-Wno-subobject-linkage>)
endfunction()

# Writes the next batch file of a target and appends it to the list named
# by out.
function(launcher_write_batch target out text)
  list(LENGTH ${out} index)
  set(file ${CMAKE_BINARY_DIR}/batches/${target}-${index}.cpp)
  # Rewritten only when its text changes, so that a new configuration
  # compiles nothing again.
  file(CONFIGURE OUTPUT ${file} CONTENT "// Generated: one compiler run for these sources.\n${text}" @ONLY)
  list(APPEND ${out} ${file})
  set(${out} ${${out}} PARENT_SCOPE)
endfunction()

# Batches every target defined in dir and the directories below it.
function(launcher_compile_all_in_batches dir)
  if(NOT LAUNCHER_UNITY)
    return()
  endif()
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY)$")
      launcher_compile_in_batches(${target})
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub IN LISTS subdirs)
    string(FIND "${sub}" "${CMAKE_SOURCE_DIR}/" at)
    if(at EQUAL 0)
      launcher_compile_all_in_batches(${sub})
    endif()
  endforeach()
endfunction()
