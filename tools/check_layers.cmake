# Fails when a source includes the header of a later layer, or an installed
# header includes one that is not installed.
#
# Layers, lowest first: platform, text, files, settings, env, toolbar. A
# source (or public header) of one layer may include the headers of its own
# layer and of the layers below it. Run as: cmake -DROOT=<source root> -P
# tools/check_layers.cmake
set(layers platform text files settings env toolbar)

# The layer of a folder or public header name; -1 when it belongs to none.
function(layer_of name out)
  list(FIND layers "${name}" index)
  set(${out} ${index} PARENT_SCOPE)
endfunction()

# The layer an #include names: "KavroStd/<layer>.h", "KavroStd/platform/...",
# or an internal "<layer>/..." header; the umbrella header counts as the top.
function(included_layer header out)
  set(index -1)
  if(header STREQUAL "KavroStd/KavroStd.h")
    list(LENGTH layers count)
    math(EXPR index "${count} - 1")
  elseif(header MATCHES "^KavroStd/platform/" OR header MATCHES "^platform/")
    set(index 0)
  elseif(header MATCHES "^KavroStd/([a-z]+)\\.h$")
    layer_of("${CMAKE_MATCH_1}" index)
  elseif(header MATCHES "^([a-z]+)/")
    layer_of("${CMAKE_MATCH_1}" index)
  endif()
  set(${out} ${index} PARENT_SCOPE)
endfunction()

set(violations "")
foreach(layer ${layers})
  layer_of(${layer} own)
  file(GLOB_RECURSE sources "${ROOT}/${layer}/*.cpp" "${ROOT}/${layer}/*.h")
  if(layer STREQUAL "platform")
    file(GLOB_RECURSE headers "${ROOT}/include/KavroStd/platform/*.h")
  else()
    set(headers "${ROOT}/include/KavroStd/${layer}.h")
  endif()
  foreach(source ${sources} ${headers})
    if(NOT EXISTS "${source}")
      continue()
    endif()
    file(STRINGS "${source}" includes REGEX "^#include \"[^\"]+\"")
    foreach(line ${includes})
      string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" header "${line}")
      included_layer("${header}" theirs)
      # Installed headers name installed headers only: the internal tier
      # (*_internal.h in the source tree) is never installed.
      if(source MATCHES "/include/KavroStd/" AND NOT header MATCHES "^KavroStd/")
        file(RELATIVE_PATH shown "${ROOT}" "${source}")
        string(APPEND violations "  ${shown} (installed) includes ${header}\n")
      elseif(theirs GREATER own)
        file(RELATIVE_PATH shown "${ROOT}" "${source}")
        string(APPEND violations "  ${shown} (${layer}) includes ${header}\n")
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations)
  message(FATAL_ERROR "Layering violations (a layer may include only its own and lower layers' headers, an installed header only installed ones):\n${violations}")
endif()
