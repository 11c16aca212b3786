# windres writes no dependency file, so the build would not see a change
# to what a resource script includes: name those files for every script.
function(launcher_rc_depends dir inputs)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(sources ${target} SOURCES)
    foreach(source IN LISTS sources)
      if(source MATCHES "\\.rc$")
        set_property(SOURCE ${source} DIRECTORY ${dir} APPEND PROPERTY OBJECT_DEPENDS ${inputs})
      endif()
    endforeach()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub IN LISTS subdirs)
    launcher_rc_depends(${sub} "${inputs}")
  endforeach()
endfunction()

# Every resource script of the whole build.
function(launcher_rc_depends_all)
  if(NOT WIN32)
    return()
  endif()
  set(inputs ${CMAKE_SOURCE_DIR}/resources/messages.def ${CMAKE_SOURCE_DIR}/resources/strings.rc
    ${CMAKE_SOURCE_DIR}/resources/dialogs.rc ${CMAKE_SOURCE_DIR}/resources/launcher.ico
    ${CMAKE_SOURCE_DIR}/src/ui/DownloadAddress.h ${CMAKE_BINARY_DIR}/resources/launcher.manifest)
  launcher_rc_depends(${CMAKE_SOURCE_DIR} "${inputs}")
endfunction()
