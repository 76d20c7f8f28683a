# One static library per source tree (a library's concern folders below it, found recursively).
# Includes name their folder from the tree's parent: "core/text/GString.h", "mac/PSystem.h".
function(trovel_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;PRIVATE_DEPS" ${ARGN})
  file(GLOB_RECURSE _sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT _sources)
    set(_sources ${PROJECT_SOURCE_DIR}/cmake/empty.cpp)
  endif()
  add_library(${name} STATIC ${_sources})
  get_filename_component(_root ${CMAKE_CURRENT_SOURCE_DIR} DIRECTORY)
  target_include_directories(${name} PUBLIC ${_root})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
  # Fuzz targets and benchmarks link every library.
  set_property(GLOBAL APPEND PROPERTY TROVEL_LIBRARIES ${name})
endfunction()

# One GoogleTest executable per library, its tests in the library's concern folders; CTest lists
# every test case, so cases run in parallel, each in its own process.
function(trovel_tests name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE _sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  # A "bundle" folder holds test plug-ins, built as libraries of their own.
  list(FILTER _sources EXCLUDE REGEX "/bundle/")
  if(NOT _sources)
    return()
  endif()
  add_executable(${name} ${_sources})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} trovel_test_support GTest::gtest_main GTest::gmock Threads::Threads)
  gtest_discover_tests(${name}
    EXTRA_ARGS --gtest_brief=1
    PROPERTIES ENVIRONMENT "TROVEL_TEST_DATA=${CMAKE_CURRENT_SOURCE_DIR}/data"
      ENVIRONMENT_MODIFICATION "TROVEL_SHARED_DATA=set:${TROVEL_SHARED_DATA}"
      TIMEOUT 600
    DISCOVERY_TIMEOUT 60)
endfunction()
