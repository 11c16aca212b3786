# Java programs of the tests and benchmarks, compiled at build time with the
# machine's javac for release 11 (the oldest runtime the tests start) into
# jars under <build>/java. javac runs on the build machine, also in a cross
# build.
include_guard(GLOBAL)
find_program(LAUNCHER_JAVAC javac)
find_program(LAUNCHER_JAR jar)

function(launcher_add_jar target name)
  set(classes ${CMAKE_CURRENT_BINARY_DIR}/${name}-classes)
  set(jar ${CMAKE_BINARY_DIR}/java/${name}.jar)
  add_custom_command(
    OUTPUT ${jar}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${classes}
    COMMAND ${LAUNCHER_JAVAC} --release 11 -d ${classes} ${ARGN}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/java
    COMMAND ${LAUNCHER_JAR} cf ${jar} -C ${classes} .
    DEPENDS ${ARGN}
    COMMENT "Compiling ${name}.jar")
  add_custom_target(${target} ALL DEPENDS ${jar})
endfunction()

# A jar only the benchmarks run: built with them (target "benchmarks"), not
# by every build of the tests.
function(launcher_add_bench_jar target name)
  launcher_add_jar(${target} ${name} ${ARGN})
  set_property(TARGET ${target} PROPERTY EXCLUDE_FROM_ALL ON)
  set_property(GLOBAL APPEND PROPERTY LAUNCHER_BENCH_JARS ${target})
endfunction()
function(launcher_attach_bench_jars)
  get_property(jars GLOBAL PROPERTY LAUNCHER_BENCH_JARS)
  if(TARGET benchmarks AND jars)
    add_dependencies(benchmarks ${jars})
  endif()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL launcher_attach_bench_jars)
