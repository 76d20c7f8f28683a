# Fails when a source of a library includes a folder above its own. Run as: cmake -DROOT=<source
# tree> -P CheckLayers.cmake. Layers and folders, lowest first; a file may include its own rank and
# those below. Includes name their folder ("core/text/GString.h"), so the folder is the include's
# path; a file's own folder is its path below foundation/ or platform/.
set(_ranks
  core/base 0
  core/memory 1
  core/containers 2
  core/bytes 3
  core/text/encodings 4
  core/text 5
  core/streams 6
  core/signals 7
  core/values 8
  core/support 9
  core/idle 10
  standin 20
  mac 30
  services 40
  printerprocessor 50
  plugin 60
  ui 70
  hostsdk 75
  plugin-host 80)
# The one noted cycle: exceptions are thrown from every folder, so they live in base, yet they
# capture their context (allocator, per-thread tables) and render their texts.
set(_exception_files "core/base/GException" "core/base/GCustomException")
set(_exception_reach 5)

function(rank_of path out)
  set(best "")
  set(best_length 0)
  list(LENGTH _ranks n)
  math(EXPR last "${n} - 1")
  foreach(i RANGE 0 ${last} 2)
    list(GET _ranks ${i} prefix)
    math(EXPR j "${i} + 1")
    list(GET _ranks ${j} rank)
    string(LENGTH "${prefix}" length)
    string(FIND "${path}/" "${prefix}/" at)
    if(at EQUAL 0 AND length GREATER best_length)
      set(best ${rank})
      set(best_length ${length})
    endif()
  endforeach()
  set(${out} "${best}" PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE _files RELATIVE ${ROOT} ${ROOT}/foundation/*.h ${ROOT}/foundation/*.cpp
  ${ROOT}/platform/*.h ${ROOT}/platform/*.cpp ${ROOT}/printerprocessor/*.h
  ${ROOT}/printerprocessor/*.cpp ${ROOT}/plugin/*.h ${ROOT}/plugin/*.cpp ${ROOT}/ui/*.h ${ROOT}/ui/*.cpp ${ROOT}/plugin-host/*.h
  ${ROOT}/plugin-host/*.cpp)
set(_failures "")
foreach(_file IN LISTS _files)
  string(REGEX REPLACE "^(foundation|platform)/" "" _own "${_file}")
  get_filename_component(_own_folder "${_own}" DIRECTORY)
  rank_of("${_own_folder}" _own_rank)
  if(_own_rank STREQUAL "")
    continue()
  endif()
  set(_limit ${_own_rank})
  foreach(_prefix IN LISTS _exception_files)
    string(FIND "${_own}" "${_prefix}" _at)
    if(_at EQUAL 0)
      set(_limit ${_exception_reach})
    endif()
  endforeach()
  # Headers below the Qt layers stay free of Qt and of boost beyond its forward headers, and no
  # header pulls in a whole Qt module: a file including them would recompile on every change
  # there and parse them again. Forward-declare instead (boost/regex_fwd.hpp, class QString;).
  if(_file MATCHES "\\.h$")
    file(STRINGS ${ROOT}/${_file} _system REGEX "^#include <")
    foreach(_line IN LISTS _system)
      string(REGEX REPLACE "^#include <([^>]*)>.*" "\\1" _target "${_line}")
      if(_target MATCHES "^Qt[A-Za-z]*/Qt[A-Za-z]*$" AND NOT _target MATCHES "/Qt(Global|Math|Endian)$")
        list(APPEND _failures "${_file}: includes the whole module <${_target}> in a header")
      elseif(_own_rank LESS 60 AND _target MATCHES "^(Q|boost/)" AND NOT _target MATCHES "_fwd\\.hpp$")
        list(APPEND _failures "${_file}: a header below the Qt layers includes <${_target}>")
      endif()
    endforeach()
  endif()
  file(STRINGS ${ROOT}/${_file} _includes REGEX "^#include \"")
  foreach(_line IN LISTS _includes)
    string(REGEX REPLACE "^#include \"([^\"]*)\".*" "\\1" _target "${_line}")
    get_filename_component(_target_folder "${_target}" DIRECTORY)
    rank_of("${_target_folder}" _target_rank)
    if(_target_rank STREQUAL "")
      list(APPEND _failures "${_file}: \"${_target}\" names no layer folder")
    elseif(_target_rank GREATER _limit)
      list(APPEND _failures "${_file}: includes \"${_target}\" from a higher layer")
    endif()
  endforeach()
endforeach()

# Only the host-bound half (plugin-host) may include the SDK: it ranks between ui and plugin-host.
# The host SDK is the host's: it includes nothing of ours. The stand-in host program uses only the
# SDK (and its own folder); it reaches the plug-in through dlopen alone.
function(check_own_includes glob allowed)
  file(GLOB_RECURSE _own_files RELATIVE ${ROOT} ${ROOT}/${glob}/*.h ${ROOT}/${glob}/*.cpp)
  foreach(_file IN LISTS _own_files)
    file(STRINGS ${ROOT}/${_file} _includes REGEX "^#include \"")
    foreach(_line IN LISTS _includes)
      string(REGEX REPLACE "^#include \"([^\"]*)\".*" "\\1" _target "${_line}")
      if(NOT _target MATCHES "^(${allowed})/")
        list(APPEND _failures "${_file}: includes \"${_target}\" from outside ${allowed}")
      endif()
    endforeach()
  endforeach()
  set(_failures "${_failures}" PARENT_SCOPE)
endfunction()
check_own_includes(hostsdk "hostsdk")
check_own_includes(tools/host "hostsdk|host")

if(_failures)
  list(JOIN _failures "\n  " _text)
  message(FATAL_ERROR "Include rules (direction between layers, heavy headers):\n  ${_text}")
endif()
