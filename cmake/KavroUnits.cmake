# Building blocks of libKavroStd.so.
#
# Each platform service and each subsystem is one "unit": an object library
# with an explicit source list, made with kavro_add_unit(). Units are linked
# into the one shared library in the order they are added, which is the
# layer order (platform services, then text, files, settings, env, toolbar,
# process, office); tools/check_layers.cmake fails the build when a source
# includes the header of a later layer.

# kavro_add_unit(<name> SOURCES <files...> [DEPENDS <units...>])
function(kavro_add_unit name)
  cmake_parse_arguments(UNIT "" "" "SOURCES;DEPENDS" ${ARGN})
  add_library(${name} OBJECT ${UNIT_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/include PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE KAVRO_BUILDING_LIBRARY)
  target_link_libraries(${name} PUBLIC ${UNIT_DEPENDS})
  # Sources are named relative to the unit's folder, or absolute when the
  # build writes them (the generated Office classes).
  set(paths "")
  foreach(source ${UNIT_SOURCES})
    if(IS_ABSOLUTE "${source}")
      list(APPEND paths "${source}")
    else()
      list(APPEND paths "${CMAKE_CURRENT_SOURCE_DIR}/${source}")
    endif()
  endforeach()
  set_property(GLOBAL APPEND PROPERTY KAVRO_ALL_SOURCES ${paths})
  set_property(GLOBAL APPEND PROPERTY KAVRO_UNITS ${name})
endfunction()

# Links every unit added so far (`prefix` empty) or those whose name starts
# with `prefix` directly into `target`, so that their objects go into it.
function(kavro_link_units target prefix)
  get_property(units GLOBAL PROPERTY KAVRO_UNITS)
  foreach(unit ${units})
    if(prefix STREQUAL "" OR unit MATCHES "^${prefix}")
      target_link_libraries(${target} PRIVATE ${unit})
    endif()
  endforeach()
endfunction()
