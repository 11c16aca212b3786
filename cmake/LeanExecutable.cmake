# The shipped executable is built for size (a third smaller than -O2; the
# launcher's own work is a few tens of microseconds either way), carries no
# debug information and no unused code:
# every function and datum gets its own section so that the linker can drop
# what nothing reaches, and the debug information moves to a file beside the
# executable (name.debug) that debuggers find through the executable's link.
function(launcher_make_lean target)
  target_compile_options(${target} PRIVATE -ffunction-sections -fdata-sections -Os)
  target_link_options(${target} PRIVATE -Wl,--gc-sections)
  if(NOT CMAKE_OBJCOPY)
    message(WARNING "No objcopy found: ${target} keeps its debug information")
    return()
  endif()
  set(file $<TARGET_FILE:${target}>)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug ${file} ${file}.debug
    COMMAND ${CMAKE_OBJCOPY} --strip-all ${file}
    # The link names the file only; it is looked up beside the executable.
    COMMAND ${CMAKE_COMMAND} -E chdir $<TARGET_FILE_DIR:${target}>
            ${CMAKE_OBJCOPY} --add-gnu-debuglink=$<TARGET_FILE_NAME:${target}>.debug $<TARGET_FILE_NAME:${target}>
    VERBATIM)
endfunction()
