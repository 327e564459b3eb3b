# Checks what the module's folders and the layers include: module code sees the outside
# world only through the layers (platform/, sdk/, host/include), so it never
# includes Qt, X11/xcb or FFmpeg headers itself; the screenshot code, which
# grabs and saves with Qt by design, is the one folder that may include Qt.
# A module file may include the host's module-facing headers (host/include)
# but not pchost's internals (host/internal). Between the module's folders
# the includes go one way only (ARCHITECTURE.md), so they form no cycle; the
# cycle check below walks the folder graph all the same and names a cycle.
# The layers keep to their own rows: Video for Windows and the SDK without Qt,
# the host's public headers without Qt, no layer including the module.
#
#   cmake -DROOT=SOURCE_FOLDER -P cmake/CheckLayering.cmake
#
# Ends with an error naming each file and line that breaks a rule. Also run at
# configure time (include() with PCVR_LAYERING_ROOT set) and as a test.
cmake_policy(VERSION 3.25)
if(NOT ROOT AND PCVR_LAYERING_ROOT)
  set(ROOT ${PCVR_LAYERING_ROOT})
endif()
if(NOT ROOT)
  message(FATAL_ERROR "CheckLayering: ROOT is not set")
endif()

set(_module_folders module recording track screenshots movie dialogs resources base)
set(_qt_allowed screenshots)
file(GLOB _public_host RELATIVE ${ROOT}/host/include ${ROOT}/host/include/host/*.h)

# Every #include of the C++ files under FOLDER, as "FILE|HEADER" entries
# (FILE relative to ROOT), in OUT.
function(_pcvr_includes folder out)
  set(_found)
  file(GLOB_RECURSE _files ${ROOT}/${folder}/*.h ${ROOT}/${folder}/*.cpp)
  foreach(file ${_files})
    file(STRINGS ${file} _lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    file(RELATIVE_PATH _shown ${ROOT} ${file})
    foreach(line ${_lines})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]*)[>\"].*$" "\\1" header "${line}")
      list(APPEND _found "${_shown}|${header}")
    endforeach()
  endforeach()
  set(${out} "${_found}" PARENT_SCOPE)
endfunction()

set(_faults)
foreach(folder ${_module_folders})
  _pcvr_includes(${folder} _includes)
  foreach(entry ${_includes})
    string(REPLACE "|" ";" entry "${entry}")
    list(GET entry 0 _shown)
    list(GET entry 1 header)
    set(_why)
    if(header MATCHES "^Q[A-Za-z]*(/|$)" AND NOT folder IN_LIST _qt_allowed)
      set(_why "Qt belongs to the layers (platform/) and the host")
    elseif(header MATCHES "^(X11|xcb)/")
      set(_why "X11 belongs to platform/win32")
    elseif(header MATCHES "^lib(avformat|avcodec|avutil|swscale|swresample)/")
      set(_why "FFmpeg belongs to platform/vfw")
    elseif(header MATCHES "^host/" AND NOT header IN_LIST _public_host)
      set(_why "only the host's module-facing headers (host/include) are for modules")
    endif()
    if(_why)
      list(APPEND _faults "  ${_shown}: #include ${header}: ${_why}")
    endif()
  endforeach()
endforeach()

# The layers' own rows: what each layer stands on, and that none reaches up
# into the module. A rule is FOLDER, a regular expression of the included
# names it may not use, and why.
set(_module_include "^(module|recording|track|screenshots|movie|dialogs|resources|base)/")
set(_layer_rules
  "platform/win32" "^lib(avformat|avcodec|avutil|swscale|swresample)/" "FFmpeg belongs to platform/vfw"
  "platform/mfc"   "^lib(avformat|avcodec|avutil|swscale|swresample)/" "FFmpeg belongs to platform/vfw"
  "platform/vfw"   "^Q[A-Za-z]*(/|$)" "the Video for Windows layer is built on FFmpeg alone, without Qt"
  "sdk"            "^Q[A-Za-z]*(/|$)" "the drawing SDK is built on dxflib alone, without Qt"
  "host/include"   "^Q[A-Za-z]*(/|$)" "modules include the host's public headers, which carry no Qt")
foreach(layer platform/win32 platform/mfc platform/vfw sdk host)
  list(APPEND _layer_rules "${layer}" "${_module_include}" "a layer never includes the module")
endforeach()
list(LENGTH _layer_rules _rule_fields)
math(EXPR _last_rule "${_rule_fields} - 1")
foreach(i RANGE 0 ${_last_rule} 3)
  math(EXPR j "${i} + 1")
  math(EXPR k "${i} + 2")
  list(GET _layer_rules ${i} layer)
  list(GET _layer_rules ${j} forbidden)
  list(GET _layer_rules ${k} why)
  _pcvr_includes(${layer} _includes)
  foreach(entry ${_includes})
    string(REPLACE "|" ";" entry "${entry}")
    list(GET entry 0 _shown)
    list(GET entry 1 header)
    if(header MATCHES "${forbidden}")
      list(APPEND _faults "  ${_shown}: #include ${header}: ${why}")
    endif()
  endforeach()
endforeach()

# The direction between the module's folders: entry and command table
# (module/) on top, then the commands (recording/, track/, screenshots/), the
# movie writer both recording commands use (movie/), dialogs/, resources/,
# base/ at the bottom. A folder includes only folders below it.
set(_rank_module 7)
set(_rank_recording 6)
set(_rank_track 6)
set(_rank_screenshots 6)
set(_rank_movie 5)
set(_rank_dialogs 4)
set(_rank_resources 3)
set(_rank_base 2)
set(_edges)
foreach(folder ${_module_folders})
  _pcvr_includes(${folder} _includes)
  foreach(entry ${_includes})
    string(REPLACE "|" ";" entry "${entry}")
    list(GET entry 0 _shown)
    list(GET entry 1 header)
    if(NOT header MATCHES "^([a-z]+)/")
      continue()
    endif()
    set(target ${CMAKE_MATCH_1})
    if(target STREQUAL folder OR NOT DEFINED _rank_${target})
      continue()
    endif()
    list(APPEND _edges "${folder}>${target}")
    if(NOT _rank_${target} LESS _rank_${folder})
      list(APPEND _faults "  ${_shown}: #include \"${target}/...\": ${folder}/ may not use ${target}/ (see ARCHITECTURE.md)")
    endif()
  endforeach()
endforeach()
list(REMOVE_DUPLICATES _edges)

# No cycle between folders: a depth-first walk over the edges found above.
function(_pcvr_visit node path)
  if(node IN_LIST path)
    list(APPEND path ${node})
    list(JOIN path " -> " _cycle)
    set(_cycle_found "${_cycle}" PARENT_SCOPE)
    return()
  endif()
  list(APPEND path ${node})
  foreach(edge ${_edges})
    if(edge MATCHES "^${node}>(.*)$")
      _pcvr_visit(${CMAKE_MATCH_1} "${path}")
      if(_cycle_found)
        set(_cycle_found "${_cycle_found}" PARENT_SCOPE)
        return()
      endif()
    endif()
  endforeach()
endfunction()
set(_cycle_found)
foreach(folder ${_module_folders})
  _pcvr_visit(${folder} "")
  if(_cycle_found)
    list(APPEND _faults "  the module's folders include each other in a cycle: ${_cycle_found}")
    break()
  endif()
endforeach()

if(_faults)
  list(JOIN _faults "\n" _text)
  message(FATAL_ERROR "Includes that break the layering (ARCHITECTURE.md):\n${_text}")
endif()
