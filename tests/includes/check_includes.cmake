# SPDX-FileCopyrightText: 2026 The Vorlane developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails on an #include "..." under src/ that runs against the order of the
# folders written in README.md, or that reaches a folder none of whose CMake
# targets its own folder links.
#   cmake -DSOURCE_DIR=<the project's folder> -P check_includes.cmake

cmake_minimum_required(VERSION 3.25)

# The order: the README's lines "- `src/<folder>/` ...", the top folder first.
file(STRINGS "${SOURCE_DIR}/README.md" listed REGEX "^- `src/[a-z]+/`")
set(order "")
foreach(line IN LISTS listed)
  string(REGEX MATCH "^- `src/([a-z]+)/`" _ "${line}")
  list(APPEND order "${CMAKE_MATCH_1}")
endforeach()

set(faults "")
file(GLOB folders LIST_DIRECTORIES true RELATIVE "${SOURCE_DIR}/src" "${SOURCE_DIR}/src/*")
foreach(folder IN LISTS folders)
  if(NOT IS_DIRECTORY "${SOURCE_DIR}/src/${folder}")
    continue()
  endif()
  if(NOT folder IN_LIST order)
    list(APPEND faults "src/${folder}/ is not in the order in README.md")
    continue()
  endif()
  # The targets that a folder defines, and the names that it links.
  file(READ "${SOURCE_DIR}/src/${folder}/CMakeLists.txt" cmake)
  string(REGEX MATCHALL "add_(library|executable)\\([A-Za-z0-9_-]+" defined "${cmake}")
  list(TRANSFORM defined REPLACE "add_(library|executable)\\(" "")
  set(targets_${folder} "${defined}")
  string(REGEX MATCHALL "target_link_libraries\\([^)]*\\)" linked_${folder} "${cmake}")
endforeach()

foreach(folder IN LISTS folders)
  if(NOT folder IN_LIST order)
    continue()
  endif()
  list(FIND order "${folder}" rank)
  file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}/src"
       "${SOURCE_DIR}/src/${folder}/*.h" "${SOURCE_DIR}/src/${folder}/*.cpp")
  foreach(source IN LISTS sources)
    file(STRINGS "${SOURCE_DIR}/src/${source}" includes REGEX "^#include \"[^\"]+/")
    foreach(include IN LISTS includes)
      string(REGEX MATCH "\"(([a-z]+)/[^\"]+)\"" _ "${include}")
      set(header "${CMAKE_MATCH_1}")
      set(other "${CMAKE_MATCH_2}")
      list(FIND order "${other}" other_rank)
      if(other STREQUAL folder)
        continue()
      elseif(other_rank LESS_EQUAL rank)
        list(APPEND faults "src/${source} includes ${header}, which is not below ${folder}/")
        continue()
      endif()
      set(links FALSE)
      foreach(target IN LISTS targets_${other})
        if(linked_${folder} MATCHES "[ (\n]${target}[ )\n]")
          set(links TRUE)
        endif()
      endforeach()
      if(NOT links)
        list(APPEND faults "src/${source} includes ${header}, but ${folder}/ links no target of ${other}/")
      endif()
    endforeach()
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
