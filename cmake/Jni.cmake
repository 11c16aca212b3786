# The JNI headers of the host's JDK describe the invocation interface that
# both targets call; on x86-64 their types are the same for Windows and
# Linux (jint is 32-bit, jlong 64-bit, one calling convention).
set(LAUNCHER_JNI_INCLUDE "" CACHE PATH "Folder that holds jni.h")
if(NOT LAUNCHER_JNI_INCLUDE)
  file(GLOB jni_headers /usr/lib/jvm/java-17-openjdk-*/include/jni.h /usr/lib/jvm/*/include/jni.h)
  list(GET jni_headers 0 jni_header)
  if(NOT jni_header)
    message(FATAL_ERROR "jni.h not found: install openjdk-17-jdk-headless (scripts/setup does)")
  endif()
  get_filename_component(jni_dir ${jni_header} DIRECTORY)
  set(LAUNCHER_JNI_INCLUDE ${jni_dir} CACHE PATH "Folder that holds jni.h" FORCE)
endif()
set(LAUNCHER_JNI_INCLUDES ${LAUNCHER_JNI_INCLUDE} ${LAUNCHER_JNI_INCLUDE}/linux)
if(WIN32)
  # The host JDK's machine part is Linux's; Windows needs its own calling
  # convention, which matters on 32-bit x86.
  set(LAUNCHER_JNI_INCLUDES ${LAUNCHER_JNI_INCLUDE} ${CMAKE_CURRENT_LIST_DIR}/jni-windows)
endif()
