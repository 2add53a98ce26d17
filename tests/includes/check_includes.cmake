# SPDX-FileCopyrightText: 2026 The Vorlane developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails on an #include "..." under src/ that runs against the order of the
# folders written in README.md, or that reaches a folder none of whose CMake
# targets its own folder links.
#   cmake -DSOURCE_DIR=<the project's folder> -P check_includes.cmake
#
# The README lists the folders under src/, the top folder first, and under a
# folder, indented, the folders within it in their own order. A file belongs
# to the longest listed folder that its path starts with, and so does a header
# that it includes. Between two top-level folders the top-level order rules,
# and a link to any target defined anywhere in the included one will do;
# within one top-level folder the order of its folders rules, and the
# including folder must link a target of the included folder itself.

cmake_minimum_required(VERSION 3.25)

# The order: the README's lines "- `src/<folder>/` ..." and
# "  - `src/<folder>/<folder>/` ...", as listed.
file(STRINGS "${SOURCE_DIR}/README.md" listed REGEX "^ *- `src/[a-z]+(/[a-z]+)*/`")
set(order "")
set(tops "")
foreach(line IN LISTS listed)
  string(REGEX MATCH "^ *- `src/([a-z/]+)/`" _ "${line}")
  list(APPEND order "${CMAKE_MATCH_1}")
  if(NOT CMAKE_MATCH_1 MATCHES "/")
    list(APPEND tops "${CMAKE_MATCH_1}")
  endif()
endforeach()

# The longest listed folder that the path under src/ starts with, or "".
function(folder_of path result)
  set(found "")
  foreach(folder IN LISTS order)
    string(LENGTH "${folder}" length)
    string(LENGTH "${found}" longest)
    string(FIND "${path}" "${folder}/" at)
    if(at EQUAL 0 AND length GREATER longest)
      set(found "${folder}")
    endif()
  endforeach()
  set(${result} "${found}" PARENT_SCOPE)
endfunction()

set(faults "")
# Every top-level folder is listed, and so is every folder deeper down that
# holds sources.
file(GLOB_RECURSE directories LIST_DIRECTORIES true RELATIVE "${SOURCE_DIR}/src" "${SOURCE_DIR}/src/*")
foreach(directory IN LISTS directories)
  if(NOT IS_DIRECTORY "${SOURCE_DIR}/src/${directory}" OR directory IN_LIST order)
    continue()
  endif()
  file(GLOB held "${SOURCE_DIR}/src/${directory}/*.h" "${SOURCE_DIR}/src/${directory}/*.cpp")
  if((NOT directory MATCHES "/") OR held)
    list(APPEND faults "src/${directory}/ is not in the order in README.md")
  endif()
endforeach()

# The targets that each listed folder defines in its own CMakeLists.txt, those
# defined anywhere under each top-level folder, and the names that each
# listed folder links.
foreach(top IN LISTS tops)
  set(targets_under_${top} "")
endforeach()
foreach(folder IN LISTS order)
  set(targets_${folder} "")
  set(linked_${folder} "")
  if(NOT EXISTS "${SOURCE_DIR}/src/${folder}/CMakeLists.txt")
    continue()
  endif()
  file(READ "${SOURCE_DIR}/src/${folder}/CMakeLists.txt" cmake)
  string(REGEX MATCHALL "add_(library|executable)\\([A-Za-z0-9_-]+" defined "${cmake}")
  list(TRANSFORM defined REPLACE "add_(library|executable)\\(" "")
  set(targets_${folder} "${defined}")
  string(REGEX MATCH "^[a-z]+" top "${folder}")
  list(APPEND targets_under_${top} ${defined})
  string(REGEX MATCHALL "target_link_libraries\\([^)]*\\)" linked_${folder} "${cmake}")
endforeach()

file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}/src" "${SOURCE_DIR}/src/*.h" "${SOURCE_DIR}/src/*.cpp")
foreach(source IN LISTS sources)
  folder_of("${source}" folder)
  if(folder STREQUAL "")
    continue() # its folder is a fault already
  endif()
  string(REGEX MATCH "^[a-z]+" top "${folder}")
  file(STRINGS "${SOURCE_DIR}/src/${source}" includes REGEX "^#include \"[^\"]+/")
  foreach(include IN LISTS includes)
    string(REGEX MATCH "\"([^\"]+)\"" _ "${include}")
    set(header "${CMAKE_MATCH_1}")
    folder_of("${header}" other)
    if(other STREQUAL folder)
      continue()
    endif()
    string(REGEX MATCH "^[a-z]+" other_top "${header}")
    # Ranks in the whole list order sub-folders as well as top-level ones,
    # since a folder's sub-folders are listed right after it.
    if(other_top STREQUAL top)
      set(above "${folder}")
      set(below "${other}")
      set(candidates "${targets_${other}}")
    else()
      set(above "${top}")
      set(below "${other_top}")
      set(candidates "${targets_under_${other_top}}")
    endif()
    list(FIND order "${above}" rank)
    list(FIND order "${below}" other_rank)
    if(other STREQUAL "" OR other_rank LESS_EQUAL rank)
      list(APPEND faults "src/${source} includes ${header}, which is not below ${above}/")
      continue()
    endif()
    set(links FALSE)
    foreach(target IN LISTS candidates)
      if(linked_${folder} MATCHES "[ (\n]${target}[ )\n]")
        set(links TRUE)
      endif()
    endforeach()
    if(NOT links)
      list(APPEND faults "src/${source} includes ${header}, but ${folder}/ links no target of ${below}/")
    endif()
  endforeach()
endforeach()

# One line a fault, unwrapped.
foreach(fault IN LISTS faults)
  message("${fault}")
endforeach()
list(LENGTH faults count)
if(count GREATER 0)
  message(FATAL_ERROR "${count} includes against the order of the folders in README.md")
endif()
message(STATUS "Includes follow the order: ${order}")
