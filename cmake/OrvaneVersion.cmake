# The version is defined once, by project(); the version resources of every module and the tests that
# check them take it from the generated header OrvaneVersion.h, reached through the orvane_version
# target. ORVANE_VERSION_TEXT (major.minor.patch.build) is also left for other generated files.
set(ORVANE_VERSION_PATCH ${PROJECT_VERSION_PATCH})
set(ORVANE_VERSION_BUILD ${PROJECT_VERSION_TWEAK})
if("${ORVANE_VERSION_PATCH}" STREQUAL "")
  set(ORVANE_VERSION_PATCH 0)
endif()
if("${ORVANE_VERSION_BUILD}" STREQUAL "")
  set(ORVANE_VERSION_BUILD 0)
endif()
set(ORVANE_VERSION_TEXT
    "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${ORVANE_VERSION_PATCH}.${ORVANE_VERSION_BUILD}")
set(ORVANE_VERSION_DIR ${PROJECT_BINARY_DIR}/generated/version)
set(ORVANE_VERSION_HEADER ${ORVANE_VERSION_DIR}/OrvaneVersion.h)
configure_file(${CMAKE_CURRENT_LIST_DIR}/OrvaneVersion.h.in ${ORVANE_VERSION_HEADER} @ONLY)
add_library(orvane_version INTERFACE)
target_include_directories(orvane_version INTERFACE ${ORVANE_VERSION_DIR})
