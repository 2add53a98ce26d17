# SPDX-FileCopyrightText: 2026 The Vorlane developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The icon as PNG files in every size that the desktop's hicolor theme names,
# rendered from the SVGs when CMake configures, so that the window (a Qt
# resource in src/shell) and the installed files are the same pixels. Sizes
# below 48 come from vorlane-small.svg, drawn for them. Sets VORLANE_ICON_DIR,
# which holds vorlane-SIZE.png for each size in VORLANE_ICON_SIZES.
find_program(RSVG_CONVERT rsvg-convert)
if(NOT RSVG_CONVERT)
  message(FATAL_ERROR "rsvg-convert not found: run scripts/install-deps")
endif()

set(VORLANE_ICON_SIZES 16 24 32 48 64 128 256)
set(VORLANE_ICON_DIR ${PROJECT_BINARY_DIR}/icons)
set(sources ${CMAKE_CURRENT_LIST_DIR}/vorlane-small.svg ${CMAKE_CURRENT_LIST_DIR}/vorlane.svg)
# A changed SVG configures again, which renders it again.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${sources})
file(MAKE_DIRECTORY ${VORLANE_ICON_DIR})
foreach(size IN LISTS VORLANE_ICON_SIZES)
  if(size LESS 48)
    list(GET sources 0 svg)
  else()
    list(GET sources 1 svg)
  endif()
  set(png ${VORLANE_ICON_DIR}/vorlane-${size}.png)
  if(${svg} IS_NEWER_THAN ${png} OR ${CMAKE_CURRENT_LIST_FILE} IS_NEWER_THAN ${png})
    execute_process(COMMAND ${RSVG_CONVERT} --width=${size} --height=${size} --output=${png} ${svg}
                    RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "rsvg-convert could not render ${svg} at ${size} pixels")
    endif()
  endif()
endforeach()
