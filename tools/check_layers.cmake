# Fails when a source includes the header of a later layer, when an
# installed header includes one that is not installed, or when a public
# header belongs to no layer, or when an installed header does not take the
# generic-text names first.
#
# Layers, lowest first: platform, text, files, settings, env, toolbar,
# process, office (whose classes are generated into the build tree). A
# source (or public header) of one layer may include the headers of its own
# layer and of the layers below it; only the platform layer includes the
# system's own headers (POSIX, Linux), so the subsystems stay written against
# the Win32 and MFC names. Each layer's public header is KavroStd/<layer>.h;
# the further public headers of a layer are listed in public_headers_<layer>.
# Run as: cmake -DROOT=<source root> -P
# tools/check_layers.cmake
set(layers platform text files settings env toolbar process office)
set(public_headers_text conversions string_opr)
set(public_headers_settings reg xml_file)

# The layer of a folder or public header name; -1 when it belongs to none.
function(layer_of name out)
  list(FIND layers "${name}" index)
  foreach(layer ${layers})
    list(FIND public_headers_${layer} "${name}" listed)
    if(index EQUAL -1 AND listed GREATER -1)
      list(FIND layers "${layer}" index)
    endif()
  endforeach()
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
  elseif(header MATCHES "^KavroStd/([a-z_]+)\\.h$")
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
    foreach(name ${public_headers_${layer}})
      list(APPEND headers "${ROOT}/include/KavroStd/${name}.h")
    endforeach()
  endif()
  foreach(source ${sources} ${headers})
    if(NOT EXISTS "${source}")
      continue()
    endif()
    if(NOT layer STREQUAL "platform")
      file(STRINGS "${source}" system REGEX "^#include <(unistd|fcntl|dirent|poll|spawn|sys/[a-z_]+|linux/[a-z_]+)\\.h>")
      foreach(line ${system})
        file(RELATIVE_PATH shown "${ROOT}" "${source}")
        string(APPEND violations "  ${shown} (${layer}) includes a system header: ${line}\n")
      endforeach()
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

file(GLOB public "${ROOT}/include/KavroStd/*.h")
foreach(header ${public})
  get_filename_component(name "${header}" NAME_WE)
  layer_of("${name}" index)
  if(index EQUAL -1 AND NOT name STREQUAL "KavroStd")
    string(APPEND violations "  include/KavroStd/${name}.h belongs to no layer (list it in public_headers_<layer>)\n")
  endif()
endforeach()

# The generic-text names rename members (GetWindowText is GetWindowTextW),
# so every installed header must see them before it declares anything.
file(GLOB_RECURSE installed "${ROOT}/include/KavroStd/*.h")
foreach(header ${installed})
  if(header MATCHES "/generic_text\\.h$" OR header MATCHES "/include/KavroStd/compat/")
    continue()
  endif()
  file(STRINGS "${header}" first REGEX "^#include " LIMIT_COUNT 1)
  if(NOT first STREQUAL "#include \"KavroStd/platform/generic_text.h\"")
    file(RELATIVE_PATH shown "${ROOT}" "${header}")
    string(APPEND violations "  ${shown} does not include KavroStd/platform/generic_text.h first\n")
  endif()
endforeach()

if(violations)
  message(FATAL_ERROR "Layering violations (a layer may include only its own and lower layers' headers, an installed header only installed ones; every public header has a layer):\n${violations}")
endif()
