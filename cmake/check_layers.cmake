# Checks every quoted #include of the checkout against the layers. Each file belongs to a
# unit folder: the top folder (base/, link/, ...), its window files' subfolder ui/ (link/ui/,
# device/ui/, measure/ui/), framework/testing/, and under tests/ the folder of each source
# folder's tests (tests/link/, tests/link/ui/, ...). A file may include its own unit folder
# and those the table below names for it, and nothing else:
#
#   framework/          nothing else (the one place that includes Qt)
#   framework/testing/  framework/ (the test seams, linked by tests and benchmarks only)
#   base/               nothing else
#   res/                framework/, base/
#   link/  device/  measure/   the core folders below them, never a ui/ folder
#   link/ui/ ...        the core below and beside them, the ui/ folders below, framework/, res/
#   export/  cli/       the core folders (no window, no display)
#   sim/                the core folders
#   app/                every program folder
#   tests/<folder>/     what <folder> may include, <folder> itself, tests/support/ and the
#                       test seams (framework/testing/), and the simulator
#   tests/support/      also app/: the end-to-end harness runs the real main window
#   bench/              every program folder and tests/support/: the window is measured too
#   fuzz/               the core folders only
#
# Usage: cmake [-DRE2_SOURCE_DIR=<checkout>] -P cmake/check_layers.cmake
cmake_minimum_required(VERSION 3.25)
if(NOT RE2_SOURCE_DIR)
  set(RE2_SOURCE_DIR "${CMAKE_CURRENT_LIST_DIR}/..")
endif()
get_filename_component(RE2_SOURCE_DIR "${RE2_SOURCE_DIR}" ABSOLUTE)

set(core base link device measure)
set(ui link/ui device/ui measure/ui)

set(allowed_framework "")
set(allowed_framework/testing framework)
set(allowed_base "")
set(allowed_res framework base)
set(allowed_link base)
set(allowed_device base link)
set(allowed_measure base link device)
set(allowed_link/ui base link framework res)
set(allowed_device/ui base link link/ui device framework res)
set(allowed_measure/ui ${core} link/ui device/ui framework res)
set(allowed_export ${core})
set(allowed_cli ${core})
set(allowed_sim ${core})
set(allowed_app ${core} ${ui} export cli res framework)
set(allowed_bench ${core} ${ui} export cli sim app res framework framework/testing tests/support)
set(allowed_fuzz ${core})
set(allowed_tests/support ${core} ${ui} export cli sim app res framework framework/testing)
set(test_extras tests/support framework/testing sim)

# The unit folder of a path relative to the checkout, in out; empty for a path in no folder.
function(re2_unit_folder path out)
  string(REGEX MATCH "^tests/[a-z_]+/ui/" unit "${path}")
  if(unit STREQUAL "")
    string(REGEX MATCH "^tests/[a-z_]+/" unit "${path}")
  endif()
  if(unit STREQUAL "")
    string(REGEX MATCH "^framework/testing/" unit "${path}")
  endif()
  if(unit STREQUAL "")
    string(REGEX MATCH "^[a-z_]+/ui/" unit "${path}")
  endif()
  if(unit STREQUAL "")
    string(REGEX MATCH "^[a-z_]+/" unit "${path}")
  endif()
  string(REGEX REPLACE "/$" "" unit "${unit}")
  set(${out} "${unit}" PARENT_SCOPE)
endfunction()

# What a file of the unit folder may include besides its own folder, in out.
function(re2_allowed_for unit out)
  if(DEFINED allowed_${unit})
    set(${out} ${allowed_${unit}} PARENT_SCOPE)
    return()
  endif()
  # tests/<folder>/ and tests/<folder>/ui/: the tested folder, what it may include, and
  # the test helpers. Tests of end-to-end kinds (reliability, ...) test no one folder and
  # are judged as the harness is.
  string(REGEX REPLACE "^tests/" "" tested "${unit}")
  if(unit MATCHES "^tests/" AND DEFINED allowed_${tested})
    set(result ${tested} ${allowed_${tested}} ${test_extras})
    if(unit MATCHES "/ui$")
      # The window tests of a folder share its test helpers.
      string(REGEX REPLACE "/ui$" "" parent "${unit}")
      string(REGEX REPLACE "/ui$" "" tested_core "${tested}")
      list(APPEND result ${parent} ${tested_core})
    endif()
    set(${out} ${result} PARENT_SCOPE)
  elseif(unit MATCHES "^tests/")
    set(${out} ${allowed_tests/support} tests/support PARENT_SCOPE)
  else()
    set(${out} "<unknown>" PARENT_SCOPE)
  endif()
endfunction()

set(scan_folders framework base res link device measure export cli sim app tests bench fuzz)
set(faults "")
foreach(folder IN LISTS scan_folders)
  file(GLOB_RECURSE files ${RE2_SOURCE_DIR}/${folder}/*.h ${RE2_SOURCE_DIR}/${folder}/*.cpp)
  foreach(file IN LISTS files)
    file(RELATIVE_PATH where ${RE2_SOURCE_DIR} ${file})
    if(where MATCHES "^tests/layers_fixture/")
      # A tree of its own, checked by its own test, which expects the check to fail.
      continue()
    endif()
    re2_unit_folder("${where}" unit)
    re2_allowed_for("${unit}" allowed)
    if(allowed STREQUAL "<unknown>")
      list(APPEND faults "${where}: ${unit}/ is a folder the layers do not know")
      continue()
    endif()
    file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+\"")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[^\"]*\"([^\"]+)\".*$" "\\1" included "${line}")
      if(NOT included MATCHES "/")
        # Beside the file, in its own folder.
        continue()
      endif()
      re2_unit_folder("${included}" target)
      if(target STREQUAL "")
        list(APPEND faults "${where}: \"${included}\" names no folder")
      elseif(NOT target STREQUAL unit AND NOT target IN_LIST allowed)
        list(APPEND faults "${where}: \"${included}\" is above or beside ${unit}/")
      endif()
    endforeach()
  endforeach()
endforeach()

if(faults)
  list(LENGTH faults count)
  string(REPLACE ";" "\n  " text "${faults}")
  message(FATAL_ERROR "${count} include(s) against the layers:\n  ${text}")
endif()
message(STATUS "includes follow the layers")
