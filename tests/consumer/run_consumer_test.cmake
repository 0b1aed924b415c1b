# Installs the built tree into a scratch prefix, then builds and runs the
# consumer against it twice: through find_package and through pkg-config.
set(prefix ${WORK_DIR}/prefix)
set(expected "<a x=\"1\" y=\"2\">t<b></b>u</a>\n")
string(REPLACE ";" " " flags "${COMPILE_OPTIONS}")
string(REPLACE ";" " " link_flags "${LINK_OPTIONS}")

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${what} failed (${status}):\n${out}\n${err}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()

function(expect_output what program)
  run("${what}" ${program})
  if(NOT output STREQUAL expected)
    message(FATAL_ERROR "${what} printed:\n${output}\nexpected:\n${expected}")
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
run("install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

run("configure the consumer" ${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR}/build
  -G ${GENERATOR} -DCMAKE_CXX_COMPILER=${COMPILER} -DCMAKE_PREFIX_PATH=${prefix}
  -DXMLSLICE_WANTED_VERSION=${VERSION}
  "-DCMAKE_CXX_FLAGS=${flags}" "-DCMAKE_EXE_LINKER_FLAGS=${link_flags}")
run("build the consumer" ${CMAKE_COMMAND} --build ${WORK_DIR}/build)
expect_output("consumer built with find_package" ${WORK_DIR}/build/consumer)

if(NOT PKG_CONFIG)
  message(STATUS "pkg-config not found: xmlslice.pc not checked")
  return()
endif()
set(ENV{PKG_CONFIG_PATH} ${prefix}/${LIBDIR}/pkgconfig)
set(ENV{LD_LIBRARY_PATH} ${prefix}/${LIBDIR})
run("pkg-config" ${PKG_CONFIG} --cflags --libs xmlslice)
separate_arguments(pc_flags UNIX_COMMAND "${output}")
separate_arguments(compile_flags UNIX_COMMAND "${flags} ${link_flags}")
run("build the consumer with pkg-config" ${COMPILER} -std=c++17 ${compile_flags}
  ${CONSUMER_DIR}/consumer.cpp ${pc_flags} -o ${WORK_DIR}/consumer_pc)
expect_output("consumer built with pkg-config" ${WORK_DIR}/consumer_pc)
