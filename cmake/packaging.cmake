# Installation: the headers, the library and the select engine, a CMake
# package with a version file, and xmlslice.pc and xmlslice-select.pc for
# pkg-config.
include(CMakePackageConfigHelpers)

set(XMLSLICE_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/xmlslice)
install(TARGETS xmlslice xmlslice_select EXPORT xmlsliceTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/xmlslice.hpp ${PROJECT_SOURCE_DIR}/include/xmlslice.h
  ${PROJECT_SOURCE_DIR}/select/include/xmlslice_select.hpp
  ${PROJECT_SOURCE_DIR}/select/include/xmlslice_select.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT xmlsliceTargets NAMESPACE xmlslice:: DESTINATION ${XMLSLICE_PACKAGE_DIR})
# Before 1.0 a minor release may change the interface.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/xmlsliceConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_SOURCE_DIR}/cmake/xmlsliceConfig.cmake
  ${PROJECT_BINARY_DIR}/xmlsliceConfigVersion.cmake
  DESTINATION ${XMLSLICE_PACKAGE_DIR})

# The .pc file finds its prefix from its own place, so the package still
# works when installed with cmake --install --prefix somewhere else.
file(RELATIVE_PATH XMLSLICE_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
string(REGEX REPLACE "/$" "" XMLSLICE_PC_TO_PREFIX "${XMLSLICE_PC_TO_PREFIX}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/xmlslice.pc.in ${PROJECT_BINARY_DIR}/xmlslice.pc @ONLY)
# A static link of the engine needs the C++ runtime named (a C host's
# driver does not add it); a shared one records it in the library.
list(TRANSFORM XMLSLICE_CXX_RUNTIME PREPEND -l OUTPUT_VARIABLE XMLSLICE_SELECT_LIBS_PRIVATE)
string(REPLACE ";" " " XMLSLICE_SELECT_LIBS_PRIVATE "${XMLSLICE_SELECT_LIBS_PRIVATE}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/xmlslice-select.pc.in ${PROJECT_BINARY_DIR}/xmlslice-select.pc
  @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/xmlslice.pc ${PROJECT_BINARY_DIR}/xmlslice-select.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

if(XMLSLICE_BUILD_TESTS)
  # The consumer is built with the options this tree adds to every target
  # (the sanitizer's, in a sanitizer build), so it links the library as built;
  # so is the shared variant of the library that the test builds and installs.
  get_directory_property(XMLSLICE_EXTRA_COMPILE_OPTIONS DIRECTORY ${PROJECT_SOURCE_DIR} COMPILE_OPTIONS)
  get_directory_property(XMLSLICE_EXTRA_LINK_OPTIONS DIRECTORY ${PROJECT_SOURCE_DIR} LINK_OPTIONS)
  find_program(XMLSLICE_PKG_CONFIG pkg-config)
  add_test(NAME package_consumer COMMAND ${CMAKE_COMMAND}
    -DBUILD_DIR=${PROJECT_BINARY_DIR}
    -DWORK_DIR=${PROJECT_BINARY_DIR}/package-test
    -DCONSUMER_DIR=${PROJECT_SOURCE_DIR}/tests/consumer
    -DGENERATOR=${CMAKE_GENERATOR}
    -DCOMPILER=${CMAKE_CXX_COMPILER}
    -DC_COMPILER=${CMAKE_C_COMPILER}
    "-DCOMPILE_OPTIONS=${XMLSLICE_EXTRA_COMPILE_OPTIONS}"
    "-DLINK_OPTIONS=${XMLSLICE_EXTRA_LINK_OPTIONS}"
    -DLIBDIR=${CMAKE_INSTALL_LIBDIR}
    -DVERSION=${PROJECT_VERSION}
    -DPKG_CONFIG=${XMLSLICE_PKG_CONFIG}
    -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
    -DBUILD_TYPE=${CMAKE_BUILD_TYPE}
    -DSOVERSION=$<TARGET_PROPERTY:xmlslice,SOVERSION>
    -DNM=${CMAKE_NM}
    -DREADELF=${CMAKE_READELF}
    -P ${PROJECT_SOURCE_DIR}/tests/consumer/run_consumer_test.cmake)
  set_tests_properties(package_consumer PROPERTIES TIMEOUT 300)
endif()
