# The layers of src/, each a static library that links only the layers below it
# (DEVELOPERS.md shows the table; tests/check_layers.cmake checks the includes against it).
# A layer's sources see only the headers of the folders it may use: they compile against
# a view of src/ holding just those folders, so that an include against the grain does
# not compile. And each layer links on its own with nothing above it
# (quarv_layer_check_<layer>), so that a call against the grain does not link.
#
# QUARV_USES_<layer>: the layers directly below that a layer uses; the chips (video,
# sound, floppy, peripherals) and the processor use each other only through the bus.
set(QUARV_LAYERS base bus cpu video sound floppy peripherals machine debugger media gemdos frontend)
set(QUARV_USES_base "")
set(QUARV_USES_bus base)
set(QUARV_USES_cpu bus)
set(QUARV_USES_video bus)
set(QUARV_USES_sound bus)
set(QUARV_USES_floppy bus)
set(QUARV_USES_peripherals bus)
set(QUARV_USES_machine cpu video sound floppy peripherals)
set(QUARV_USES_debugger machine)
set(QUARV_USES_media machine)
set(QUARV_USES_gemdos machine)
set(QUARV_USES_frontend debugger media gemdos)
set(QUARV_USES_host frontend)
set(QUARV_USES_libretro frontend)

# Every layer below `layer`, itself included, into `out`.
function(quarv_layer_reach layer out)
  set(reach ${layer})
  foreach(used ${QUARV_USES_${layer}})
    quarv_layer_reach(${used} below)
    list(APPEND reach ${below})
  endforeach()
  list(REMOVE_DUPLICATES reach)
  set(${out} ${reach} PARENT_SCOPE)
endfunction()

# The view of src/ for a layer's sources: a folder of links to the folders it reaches.
function(quarv_layer_view target layer)
  set(view ${CMAKE_BINARY_DIR}/layer_views/${layer})
  quarv_layer_reach(${layer} reach)
  file(MAKE_DIRECTORY ${view})
  file(GLOB links LIST_DIRECTORIES true RELATIVE ${view} ${view}/*)
  foreach(folder ${links})
    if(NOT folder IN_LIST reach)
      file(REMOVE ${view}/${folder})  # the link alone, not the folder it names
    endif()
  endforeach()
  foreach(folder ${reach})
    if(NOT EXISTS ${view}/${folder})
      file(CREATE_LINK ${CMAKE_SOURCE_DIR}/src/${folder} ${view}/${folder} SYMBOLIC)
    endif()
  endforeach()
  target_include_directories(${target} PRIVATE ${view})
endfunction()

# The layer libraries quarv_<layer><suffix> (the suffix names a second build of them).
function(quarv_layer_libraries suffix)
  foreach(layer ${QUARV_LAYERS})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${layer}/*.cpp)
    set(target quarv_${layer}${suffix})
    add_library(${target} STATIC ${sources})
    quarv_layer_view(${target} ${layer})
    foreach(used ${QUARV_USES_${layer}})
      target_link_libraries(${target} PUBLIC quarv_${used}${suffix})
    endforeach()
    target_compile_definitions(${target} PUBLIC QUARV_VERSION_STRING="Quarv v${PROJECT_VERSION}"
      QUARV_VERSION="${PROJECT_VERSION}")
  endforeach()
  # The snapshots' blocks are LZO1X; the drive's noises are synthesised at build time.
  target_link_libraries(quarv_bus${suffix} PUBLIC PkgConfig::LZO2)
  target_link_libraries(quarv_machine${suffix} PRIVATE PkgConfig::LZO2)
  target_sources(quarv_sound${suffix} PRIVATE ${QUARV_DRIVE_SOUND_DATA})
  add_dependencies(quarv_sound${suffix} drive_sound_data)
  # The whole core for the programs, tests, benchmarks and fuzzers that drive it.
  add_library(quarv_core${suffix} INTERFACE)
  target_link_libraries(quarv_core${suffix} INTERFACE quarv_frontend${suffix})
  target_include_directories(quarv_core${suffix} INTERFACE ${CMAKE_SOURCE_DIR}/src)
endfunction()

# Each layer linked whole with only the layers below it: a symbol it needs from above is
# missing there, and the build fails.
function(quarv_layer_link_checks)
  foreach(layer ${QUARV_LAYERS})
    set(check quarv_layer_check_${layer})
    add_executable(${check} ${CMAKE_SOURCE_DIR}/cmake/layer_check.cpp)
    target_link_libraries(${check} PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,quarv_${layer}>")
    set_target_properties(${check} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/layer_checks)
  endforeach()
endfunction()
