# SPDX-FileCopyrightText: 2026 The Vorlane developers
# SPDX-License-Identifier: GPL-3.0-or-later
cmake_policy(VERSION 3.25)
# Installs the build in BUILD_DIR into a fresh PREFIX and checks that every
# program built under src/ is there, with a desktop entry whose command and
# icon name are installed too, and that the programs tell their version.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

function(expect path)
  if(NOT EXISTS "${PREFIX}/${path}")
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endfunction()

# The programs: executables in the build's src folders, e.g. src/app/vorlane.
file(GLOB built LIST_DIRECTORIES false "${BUILD_DIR}/src/*/*")
foreach(file IN LISTS built)
  get_filename_component(name "${file}" NAME)
  file(READ "${file}" head LIMIT 4 HEX)
  if(head STREQUAL "7f454c46") # an ELF file without an extension is a program
    string(FIND "${name}" "." dot)
    if(dot EQUAL -1)
      expect("bin/${name}")
      list(APPEND programs "${name}")
    endif()
  endif()
endforeach()
if(NOT "vorlane" IN_LIST programs)
  message(FATAL_ERROR "vorlane was not found among the built programs")
endif()

expect(share/applications/${APP_ID}.desktop)
file(STRINGS "${PREFIX}/share/applications/${APP_ID}.desktop" exec REGEX "^Exec=")
file(STRINGS "${PREFIX}/share/applications/${APP_ID}.desktop" icon REGEX "^Icon=")
string(REGEX REPLACE "^Exec=([^ ]*).*" "\\1" exec "${exec}")
string(REGEX REPLACE "^Icon=" "" icon "${icon}")
expect("bin/${exec}")
expect("share/icons/hicolor/scalable/apps/${icon}.svg")
expect("share/icons/hicolor/128x128/apps/${icon}.png")
# The software centre's entry names the desktop entry by the same id.
expect("share/metainfo/${APP_ID}.metainfo.xml")
file(STRINGS "${PREFIX}/share/metainfo/${APP_ID}.metainfo.xml" launchable REGEX "<launchable ")
if(NOT launchable MATCHES ">${APP_ID}.desktop<")
  message(FATAL_ERROR "the metainfo launches \"${launchable}\", not ${APP_ID}.desktop")
endif()

# Both programs name themselves and the project's one version.
foreach(program IN ITEMS vorlane vorlane-render)
  execute_process(COMMAND "${PREFIX}/bin/${program}" --version OUTPUT_VARIABLE said
                  RESULT_VARIABLE result)
  if(NOT result EQUAL 0 OR NOT said STREQUAL "${program} ${VERSION}\n")
    message(FATAL_ERROR "${program} --version said \"${said}\" (status ${result})")
  endif()
endforeach()
