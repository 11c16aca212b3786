# The processor architecture a Windows manifest names for a build's target
# processor. Windows refuses to start an executable whose manifest names
# another architecture than its own, so this follows the target, not the
# pointer size (ARM64 and x64 both have 8-byte pointers). An unknown
# processor stops the configuration rather than give a manifest that is
# refused at start.
function(launcher_manifest_architecture out processor)
  string(TOLOWER "${processor}" processor)
  if(processor MATCHES "^(x86_64|amd64|x64)$")
    set(architecture amd64)
  elseif(processor MATCHES "^(i[3-6]86|x86)$")
    set(architecture x86)
  elseif(processor MATCHES "^(aarch64|arm64)$")
    set(architecture arm64)
  else()
    message(FATAL_ERROR "No manifest architecture for the target processor \"${processor}\"")
  endif()
  set(${out} ${architecture} PARENT_SCOPE)
endfunction()
