# Installs the built tree into a scratch prefix, then builds and runs the
# consumers against it, each through find_package and through pkg-config:
# the C++ one and the C ones (a project without a C++ compiler, linked by the
# C compiler driver: without the C++ runtime, and with it for the select
# engine, which the static package names for the driver to add).
# Then does the same with a shared build of this source tree and checks what
# a shared install promises: the SONAME, only the public operations exported,
# and a tool that starts from wherever the prefix was moved to.
set(expected "<a x=\"1\" y=\"2\">t<b></b>u</a>\n1\n")
set(expected_c "b1: Tide Tables\nb2: Salt\n<shelf><book id=\"b1\">Tide Tables</book><book id=\"b2\">Salt<note>signed</note></book></shelf>\n")
set(expected_c_select "b1: Tide Tables\nb2: Salt\ntotal 20\n")
string(REPLACE ";" " " flags "${COMPILE_OPTIONS}")
string(REPLACE ";" " " link_flags "${LINK_OPTIONS}")
# Every program run here must find the library through its own RUNPATH.
unset(ENV{LD_LIBRARY_PATH})

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${what} failed (${status}):\n${out}\n${err}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()

function(expect_output what wanted)
  run("${what}" ${ARGN})
  if(NOT output STREQUAL wanted)
    message(FATAL_ERROR "${what} printed:\n${output}\nexpected:\n${wanted}")
  endif()
endfunction()

# A C host's program must not need the C++ runtime: no symbol from it, as
# the versions a binary needs show (every libstdc++ symbol is versioned).
# A NEEDED entry alone does not count: a sanitizer's link adds the library
# whether anything uses it or not.
function(check_no_cxx_runtime binary)
  run("readelf" ${READELF} -V ${binary})
  if(output MATCHES "File: libstdc\\+\\+")
    message(FATAL_ERROR "${binary} uses the C++ runtime:\n${output}")
  endif()
endfunction()

# Builds the consumers in work against the install in prefix, once through
# find_package and once through pkg-config, and runs them. pc_static is
# --static for a static install: pkg-config then adds Libs.private.
function(check_consumer prefix work pc_static)
  run("configure the consumer" ${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${work}/consumer
    -G ${GENERATOR} -DCMAKE_CXX_COMPILER=${COMPILER} -DCMAKE_PREFIX_PATH=${prefix}
    -DXMLSLICE_WANTED_VERSION=${VERSION}
    "-DCMAKE_CXX_FLAGS=${flags}" "-DCMAKE_EXE_LINKER_FLAGS=${link_flags}")
  run("build the consumer" ${CMAKE_COMMAND} --build ${work}/consumer)
  expect_output("consumer built with find_package" "${expected}" ${work}/consumer/consumer)
  run("configure the C consumer" ${CMAKE_COMMAND} -S ${CONSUMER_DIR}/c -B ${work}/c_consumer
    -G ${GENERATOR} -DCMAKE_C_COMPILER=${C_COMPILER} -DCMAKE_PREFIX_PATH=${prefix}
    -DXMLSLICE_WANTED_VERSION=${VERSION}
    "-DCMAKE_C_FLAGS=${flags}" "-DCMAKE_EXE_LINKER_FLAGS=${link_flags}")
  run("build the C consumer" ${CMAKE_COMMAND} --build ${work}/c_consumer)
  expect_output("C consumer built with find_package" "${expected_c}" ${work}/c_consumer/consumer)
  check_no_cxx_runtime(${work}/c_consumer/consumer)
  expect_output("C select consumer built with find_package" "${expected_c_select}"
    ${work}/c_consumer/select_consumer)

  if(NOT PKG_CONFIG)
    message(STATUS "pkg-config not found: xmlslice.pc and xmlslice-select.pc not checked")
    return()
  endif()
  set(ENV{PKG_CONFIG_PATH} ${prefix}/${LIBDIR}/pkgconfig)
  run("pkg-config" ${PKG_CONFIG} --cflags --libs xmlslice-select)
  separate_arguments(pc_flags UNIX_COMMAND "${output}")
  separate_arguments(compile_flags UNIX_COMMAND "${flags} ${link_flags}")
  # pkg-config gives no run path; a shared library is found through this one.
  run("build the consumer with pkg-config" ${COMPILER} -std=c++17 ${compile_flags}
    ${CONSUMER_DIR}/consumer.cpp ${pc_flags} -Wl,-rpath,${prefix}/${LIBDIR}
    -o ${work}/consumer_pc)
  expect_output("consumer built with pkg-config" "${expected}" ${work}/consumer_pc)

  run("pkg-config" ${PKG_CONFIG} --cflags --libs xmlslice)
  separate_arguments(pc_flags UNIX_COMMAND "${output}")
  run("build the C consumer with pkg-config" ${C_COMPILER} -std=c99 ${compile_flags}
    ${CONSUMER_DIR}/c/consumer.c ${pc_flags} -Wl,-rpath,${prefix}/${LIBDIR}
    -o ${work}/c_consumer_pc)
  expect_output("C consumer built with pkg-config" "${expected_c}" ${work}/c_consumer_pc)
  check_no_cxx_runtime(${work}/c_consumer_pc)

  run("pkg-config" ${PKG_CONFIG} --cflags --libs ${pc_static} xmlslice-select)
  separate_arguments(pc_flags UNIX_COMMAND "${output}")
  run("build the C select consumer with pkg-config" ${C_COMPILER} -std=c99 ${compile_flags}
    ${CONSUMER_DIR}/c/select_consumer.c ${pc_flags} -Wl,-rpath,${prefix}/${LIBDIR}
    -o ${work}/c_select_consumer_pc)
  expect_output("C select consumer built with pkg-config" "${expected_c_select}"
    ${work}/c_select_consumer_pc)
endfunction()

# The library's dynamic symbols are exactly the operations of the public
# headers, empty_list and its C name, apart from reserved names the toolchain
# adds (the sanitizer's __odr_asan markers).
function(check_exports library)
  run("nm" ${NM} -D --defined-only -C ${library})
  string(REGEX MATCHALL "[^\n]+" symbols "${output}")
  set(exported "")
  foreach(symbol ${symbols})
    string(REGEX REPLACE "^[0-9a-f]* *[A-Za-z] " "" name "${symbol}")
    string(REGEX REPLACE "\\(.*" "" name "${name}")
    if(NOT name MATCHES "^__")
      list(APPEND exported ${name})
    endif()
  endforeach()
  list(SORT exported)
  set(public attribute_list_free document_error_text document_instructions document_new
    document_parse_buffer document_parse_descriptor document_parse_path document_parse_stream
    element_add_child element_attribute_value element_detach element_find_path
    element_find_path_list element_first_named element_free element_insert
    element_nth_same_name element_set_attribute element_set_flags element_set_text
    element_to_text empty_list)
  list(TRANSFORM public PREPEND "xmlslice_" OUTPUT_VARIABLE c_public)
  list(TRANSFORM public PREPEND "xmlslice::")
  list(APPEND public ${c_public})
  list(SORT public)
  if(NOT exported STREQUAL public)
    string(REPLACE ";" "\n" public "${public}")
    message(FATAL_ERROR "${library} exports:\n${output}\nexpected only:\n${public}")
  endif()
endfunction()

# The select engine's C names exported are exactly the functions its C
# header declares.
function(check_select_c_exports library)
  run("nm" ${NM} -D --defined-only ${library})
  string(REGEX MATCHALL " T xmlslice_[a-z_]+" exported "${output}")
  list(TRANSFORM exported REPLACE "^ T " "")
  list(SORT exported)
  file(READ ${SOURCE_DIR}/select/include/xmlslice_select.h header)
  string(REGEX MATCHALL "xmlslice_[a-z_]+\\(" declared "${header}")
  list(TRANSFORM declared REPLACE "\\($" "")
  list(SORT declared)
  if(NOT exported STREQUAL declared)
    message(FATAL_ERROR "${library} exports the C names:\n${exported}\nexpected:\n${declared}")
  endif()
endfunction()

function(check_soname library)
  run("readelf" ${READELF} -d ${library})
  if(NOT output MATCHES "Library soname: \\[libxmlslice\\.so\\.${SOVERSION}\\]")
    message(FATAL_ERROR "${library} lacks the SONAME libxmlslice.so.${SOVERSION}:\n${output}")
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
run("install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/prefix)
check_consumer(${WORK_DIR}/prefix ${WORK_DIR} --static)

# The shared variant: the library and the tool only, built as this tree was.
set(shared ${WORK_DIR}/shared)
run("configure the shared build" ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${shared}/build
  -G ${GENERATOR} -DCMAKE_CXX_COMPILER=${COMPILER} -DCMAKE_BUILD_TYPE=${BUILD_TYPE}
  -DBUILD_SHARED_LIBS=ON -DXMLSLICE_BUILD_TESTS=OFF -DXMLSLICE_BUILD_EXAMPLES=OFF
  "-DCMAKE_CXX_FLAGS=${flags}" "-DCMAKE_EXE_LINKER_FLAGS=${link_flags}"
  "-DCMAKE_SHARED_LINKER_FLAGS=${link_flags}")
run("build the shared library" ${CMAKE_COMMAND} --build ${shared}/build -j 2)
run("install the shared build" ${CMAKE_COMMAND} --install ${shared}/build --prefix ${shared}/prefix)
check_consumer(${shared}/prefix ${shared} "")
check_soname(${shared}/prefix/${LIBDIR}/libxmlslice.so)
check_exports(${shared}/prefix/${LIBDIR}/libxmlslice.so)
check_select_c_exports(${shared}/prefix/${LIBDIR}/libxmlslice_select.so)
check_no_cxx_runtime(${shared}/prefix/${LIBDIR}/libxmlslice.so)

# The consumers above carry the prefix in their run path; the tool must not.
file(RENAME ${shared}/prefix ${shared}/moved)
set(catalog ${SOURCE_DIR}/examples/catalog.xml)
expect_output("the installed tool" "${catalog}: ok\n" ${shared}/moved/bin/xmlslice check ${catalog})
