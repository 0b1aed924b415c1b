# find_package(xmlslice CONFIG) gives the target xmlslice::xmlslice.
include("${CMAKE_CURRENT_LIST_DIR}/xmlsliceTargets.cmake")
