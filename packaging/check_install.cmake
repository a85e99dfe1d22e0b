# SPDX-License-Identifier: MIT
# Installs the build into PREFIX and checks the tree: every program under bin, the desktop entry
# (starting a program that is there), the icon and the AppStream metadata, with both validators.
#   cmake -DBUILD_DIR=... -DPREFIX=... -DAPP_ID=... -DPROGRAMS=a;b -P check_install.cmake
foreach(tool desktop-file-validate appstreamcli)
  find_program(${tool}_path ${tool})
  if(NOT ${tool}_path)
    message("SKIPPED: ${tool} is not installed")
    return()
  endif()
endforeach()

file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(result)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

set(desktop "${PREFIX}/share/applications/${APP_ID}.desktop")
set(metainfo "${PREFIX}/share/metainfo/${APP_ID}.metainfo.xml")
set(icon "${PREFIX}/share/icons/hicolor/scalable/apps/${APP_ID}.svg")
foreach(program IN LISTS PROGRAMS)
  list(APPEND expected "${PREFIX}/bin/${program}")
endforeach()
foreach(path IN LISTS expected desktop metainfo icon)
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()

file(STRINGS "${desktop}" exec REGEX "^Exec=")
string(REGEX REPLACE "^Exec=([^ ]+).*" "\\1" exec "${exec}")
if(NOT EXISTS "${PREFIX}/bin/${exec}")
  message(FATAL_ERROR "the desktop entry starts ${exec}, which is not installed")
endif()

foreach(check "desktop-file-validate;${desktop}" "appstreamcli;validate;--no-net;${metainfo}")
  list(POP_FRONT check tool)
  execute_process(COMMAND "${${tool}_path}" ${check} RESULT_VARIABLE result
                  OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(result)
    message(FATAL_ERROR "${tool} ${check}: ${result}\n${out}")
  endif()
  message(STATUS "${tool}: ${out}")
endforeach()
file(REMOVE_RECURSE "${PREFIX}")
