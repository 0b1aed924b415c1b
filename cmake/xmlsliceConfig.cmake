# find_package(xmlslice CONFIG) gives the targets xmlslice::xmlslice and
# xmlslice::select (the select engine).
include("${CMAKE_CURRENT_LIST_DIR}/xmlsliceTargets.cmake")
