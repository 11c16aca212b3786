# The launcher executables over the core library: on Windows the GUI
# launcher and its console variant, on Linux the one launcher.
function(launcher_add_launchers)
  if(WIN32)
    # Both entry points are a plain main() that reads the command line from
    # the system: every toolchain links that (zig ignores -municode), and
    # the subsystem is named to the linker itself for the same reason
    # (zig ignores -mwindows).
    add_executable(launcher WIN32 src/launcher/Main.win32.cpp resources/launcher.rc)
    target_link_options(launcher PRIVATE -Wl,--subsystem,windows)
    # The same launcher for command-line Java programs: console subsystem.
    add_executable(launcher-console src/launcher/ConsoleMain.win32.cpp resources/launcher.rc)
    target_link_options(launcher-console PRIVATE -Wl,--subsystem,console)
    set(executables launcher launcher-console)
  else()
    add_executable(launcher src/launcher/Main.posix.cpp)
    if(NOT LAUNCHER_SANITIZE)
      # The C++ runtime is linked in rather than loaded: loading and relocating
      # libstdc++ at every start costs more than the launcher's own work.
      target_link_options(launcher PRIVATE -static-libstdc++ -static-libgcc -Wl,--as-needed)
    endif()
    set(executables launcher)
  endif()
  foreach(executable IN LISTS executables)
    target_compile_options(${executable} PRIVATE ${LAUNCHER_WARNINGS})
    # Each launcher installs the vendor's pinned runtime itself.
    target_link_libraries(${executable} PRIVATE launcher_core launcher_install_ui)
  endforeach()
  if(NOT LAUNCHER_SANITIZE)
    # The core's functions get sections of their own so that the launcher's
    # link can drop those it never calls.
    target_compile_options(launcher_core PRIVATE -ffunction-sections -fdata-sections -Os)
    foreach(executable IN LISTS executables)
      launcher_make_lean(${executable})
    endforeach()
  endif()
endfunction()
