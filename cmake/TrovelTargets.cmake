# One static library per source tree (a library's concern folders below it, found recursively).
# Includes name their folder from the tree's parent: "core/text/GString.h", "mac/PSystem.h".
#
# Unity builds (TROVEL_UNITY_BUILD, on by default): the sources of each library and test
# executable compile in batches, one batch per concern folder (at most TROVEL_UNITY_BATCH_SIZE
# files each), so each header is parsed once per batch rather than once per file. A new file
# joins its folder's batch with nothing to do. Files of one batch share one translation unit:
# two of them defining the same name at namespace scope (in an anonymous namespace, static, or a
# macro) fail with a "redefinition" or "ambiguous" error in a .../Unity/unity_*.cxx file
# (scripts/test then says so); two helpers of one name but different parameters overload each
# other without a word, so keep such helper names apart within a folder. Rename the name, or compile the file on its own: in its folder's CMakeLists.txt,
# after the target is made,
#     trovel_unity_exclude(zip/ZipArchive.cpp)        # path relative to that CMakeLists.txt
# or in the list of cmake/UnitySeparate.cmake. A file outside every batch has no UNITY_GROUP and
# compiles alone.
# Configure with -DTROVEL_UNITY_BUILD=OFF to compile file by file.
#
# Precompiled headers (TROVEL_PCH, on by default): each test executable precompiles GoogleTest,
# GoogleMock and the standard headers its files use; a library made by trovel_library precompiles
# the Qt modules among its DEPS (clang builds only: see trovel_qt_pch); any other target on Qt (a
# program) calls trovel_qt_pch(target) after its target_link_libraries. Our own headers stay out:
# they change too often, and the unity batches already parse each of them once per folder.

set(TROVEL_UNITY_BATCH_SIZE 12 CACHE STRING "The most sources one unity batch holds")
include(${CMAKE_CURRENT_LIST_DIR}/UnitySeparate.cmake)

# Puts the C++ sources of target into unity batches by folder (relative to the current source
# dir). trovel_library and trovel_tests do it; a target made otherwise calls trovel_unity(target)
# after its sources are all added.
function(trovel_unity target)
  if(NOT TROVEL_UNITY_BUILD)
    return()
  endif()
  get_target_property(_listed ${target} SOURCES)
  set(_folders "")
  foreach(_src IN LISTS _listed)
    if(NOT _src MATCHES "\\.(cpp|cc|cxx)$")
      continue()
    endif()
    get_filename_component(_src "${_src}" ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    file(RELATIVE_PATH _from_root ${PROJECT_SOURCE_DIR} ${_src})
    if(_from_root IN_LIST TROVEL_UNITY_SEPARATE)
      continue()
    endif()
    get_source_file_property(_separate ${_src} SKIP_UNITY_BUILD_INCLUSION)
    if(_separate)
      continue()
    endif()
    file(RELATIVE_PATH _rel ${CMAKE_CURRENT_SOURCE_DIR} ${_src})
    get_filename_component(_folder "${_rel}" DIRECTORY)
    string(MAKE_C_IDENTIFIER "g_${_folder}" _key)
    list(APPEND _folders ${_key})
    list(APPEND _files_${_key} ${_src})
  endforeach()
  list(REMOVE_DUPLICATES _folders)
  foreach(_key IN LISTS _folders)
    # A large folder splits into even chunks, in file-name order.
    list(LENGTH _files_${_key} _n)
    math(EXPR _chunks "(${_n} + ${TROVEL_UNITY_BATCH_SIZE} - 1) / ${TROVEL_UNITY_BATCH_SIZE}")
    set(_i 0)
    foreach(_src IN LISTS _files_${_key})
      math(EXPR _chunk "${_i} * ${_chunks} / ${_n}")
      set_source_files_properties(${_src} TARGET_DIRECTORY ${target}
        PROPERTIES UNITY_GROUP "${_key}_${_chunk}")
      math(EXPR _i "${_i} + 1")
    endforeach()
  endforeach()
  set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_MODE GROUP)
  # g++ takes a batched source for a header and warns of each class there that derives from one
  # in an anonymous namespace (every TEST_F on a local fixture); in a .cpp of its own that is fine.
  target_compile_options(${target} PRIVATE $<$<CXX_COMPILER_ID:GNU>:-Wno-subobject-linkage>)
endfunction()

# Compiles the named sources (relative to the current CMakeLists.txt) on their own, outside any
# unity batch: for a file whose names clash with another file of its folder.
function(trovel_unity_exclude)
  foreach(_src IN LISTS ARGN)
    set_source_files_properties(${_src} PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
  endforeach()
endfunction()

# Precompiles the headers of the Qt modules target links directly (Qt5::Core, Qt5::Gui,
# Qt5::Widgets), once per target; call it after target_link_libraries.
function(trovel_qt_pch target)
  # g++ loads a whole-module precompiled header (with full debug info, a few hundred MB) more
  # slowly than it parses the few Qt headers a batch includes; clang gains from it.
  if(NOT TROVEL_PCH OR CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    return()
  endif()
  get_target_property(_links ${target} LINK_LIBRARIES)
  set(_headers "")
  foreach(_module Core Gui Widgets)
    if("Qt5::${_module}" IN_LIST _links)
      list(APPEND _headers <Qt${_module}/Qt${_module}>)
    endif()
  endforeach()
  if(_headers)
    target_precompile_headers(${target} PRIVATE ${_headers})
  endif()
endfunction()

function(trovel_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;PRIVATE_DEPS" ${ARGN})
  file(GLOB_RECURSE _sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT _sources)
    set(_sources ${PROJECT_SOURCE_DIR}/cmake/empty.cpp)
  endif()
  add_library(${name} STATIC ${_sources})
  trovel_unity(${name})
  get_filename_component(_root ${CMAKE_CURRENT_SOURCE_DIR} DIRECTORY)
  target_include_directories(${name} PUBLIC ${_root})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
  trovel_qt_pch(${name})
  # Fuzz targets and benchmarks link every library.
  set_property(GLOBAL APPEND PROPERTY TROVEL_LIBRARIES ${name})
endfunction()

# The ThreadSanitizer build compiles only the test sources that hold a case its run selects
# (TROVEL_TSAN_TESTS, the regex scripts/test also gives ctest), and only in the executables named
# in TROVEL_TSAN_TEST_TARGETS. Sources without test cases (global environments, helpers) stay in.
function(_trovel_tsan_sources out)
  set(_kept "")
  foreach(_src IN LISTS ARGN)
    file(READ ${_src} _text)
    string(REGEX MATCHALL
      "(TEST|TEST_F|TEST_P|TYPED_TEST|TYPED_TEST_P|INSTANTIATE_TEST_SUITE_P|INSTANTIATE_TYPED_TEST_SUITE_P)\\([^)]*\\)"
      _cases "${_text}")
    if(NOT _cases)
      list(APPEND _kept ${_src})
      continue()
    endif()
    foreach(_case IN LISTS _cases)
      string(REGEX REPLACE "[ \t\r\n]" "" _case "${_case}")
      string(REGEX REPLACE "^[A-Z_]+\\(([^,]*),([^,)]*).*" "\\1.\\2" _name "${_case}")
      if(_name MATCHES "${TROVEL_TSAN_TESTS}")
        list(APPEND _kept ${_src})
        break()
      endif()
    endforeach()
  endforeach()
  set(${out} ${_kept} PARENT_SCOPE)
endfunction()

# How a test executable's own code compiles; the libraries under test keep the build's flags.
# Line tables are enough there (a failure's file and line, backtraces): full debug info, in every
# GoogleTest expansion, doubled its compile time. Optimising the expansions took g++ a quarter of
# their time at -O2 (-O1 keeps its flow warnings), and clang half of it under the sanitizers,
# which check unoptimised code all the same. The fuzz targets' coverage feedback is of no use in
# test code either. At -O1 g++ 12 takes an atomic count touched after a Release that may delete
# its object for a write into freed space (a false -Wstringop-overflow).
function(trovel_test_code target)
  target_compile_options(${target} PRIVATE
    "$<$<AND:$<CXX_COMPILER_ID:GNU>,$<CONFIG:RelWithDebInfo>>:-g1;-O1;-Wno-stringop-overflow>"
    $<$<AND:$<CXX_COMPILER_ID:Clang>,$<CONFIG:RelWithDebInfo>>:-gline-tables-only>)
  if(TROVEL_SANITIZE OR TROVEL_BUILD_FUZZERS)
    target_compile_options(${target} PRIVATE -O0)
  endif()
  if(TROVEL_BUILD_FUZZERS)
    target_compile_options(${target} PRIVATE -fno-sanitize=fuzzer-no-link)
  endif()
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
  if(TROVEL_TSAN AND NOT name IN_LIST TROVEL_TSAN_TEST_TARGETS)
    # Not part of the run: made (its CMakeLists may still refer to it) but neither built nor listed.
    add_executable(${name} EXCLUDE_FROM_ALL ${_sources})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} trovel_test_support GTest::gtest_main GTest::gmock Threads::Threads)
    return()
  endif()
  if(TROVEL_TSAN AND TROVEL_TSAN_TESTS)
    _trovel_tsan_sources(_sources ${_sources})
  endif()
  add_executable(${name} ${_sources})
  trovel_unity(${name})
  if(TROVEL_PCH)
    target_precompile_headers(${name} PRIVATE <gtest/gtest.h> <gmock/gmock.h> <string> <vector>
      <memory> <thread> <atomic> <functional> <algorithm> <cstdint> <cstring>)
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} trovel_test_support GTest::gtest_main GTest::gmock Threads::Threads)
  trovel_test_code(${name})
  set_property(GLOBAL APPEND PROPERTY TROVEL_TEST_TARGETS ${name})
  gtest_discover_tests(${name}
    EXTRA_ARGS --gtest_brief=1
    PROPERTIES ENVIRONMENT "TROVEL_TEST_DATA=${CMAKE_CURRENT_SOURCE_DIR}/data"
      ENVIRONMENT_MODIFICATION "TROVEL_SHARED_DATA=set:${TROVEL_SHARED_DATA}"
      TIMEOUT 600
    DISCOVERY_TIMEOUT 60)
endfunction()
