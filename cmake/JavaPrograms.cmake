# Java programs of the tests and benchmarks, compiled at build time with the
# machine's javac for release 11 (the oldest runtime the tests start) into
# jars under <build>/java. javac runs on the build machine, also in a cross
# build.
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
