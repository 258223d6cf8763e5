# Options a target takes by linking these INTERFACE targets, so each target
# says what it is built with:
#   zep_warnings        every target of ours: the warning level the code is kept clean at;
#   zep_static_runtime  every Windows program and DLL: the compiler's runtime linked in,
#                       so they run on a bare Windows (and under Wine without its DLLs).
# zep_check_target_options() fails the configure step for a target that forgets one.
include_guard(GLOBAL)

add_library(zep_warnings INTERFACE)
target_compile_options(zep_warnings INTERFACE -Wall -Wextra)

add_library(zep_static_runtime INTERFACE)
if(WIN32)
  target_link_options(zep_static_runtime INTERFACE -static -static-libgcc -static-libstdc++)
endif()

function(_zep_targets_below dir out)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub IN LISTS subdirs)
    _zep_targets_below(${sub} more)
    list(APPEND targets ${more})
  endforeach()
  set(${out} ${targets} PARENT_SCOPE)
endfunction()

# Checks every compiled target defined under this project's source folder
# (GoogleTest's own are not ours).
function(zep_check_target_options)
  _zep_targets_below(${CMAKE_CURRENT_SOURCE_DIR} targets)
  set(missing)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(NOT type MATCHES "^(EXECUTABLE|SHARED_LIBRARY|MODULE_LIBRARY|STATIC_LIBRARY|OBJECT_LIBRARY)$")
      continue()
    endif()
    get_target_property(source_dir ${target} SOURCE_DIR)
    cmake_path(IS_PREFIX CMAKE_CURRENT_SOURCE_DIR "${source_dir}" ours)
    if(NOT ours)
      continue()
    endif()
    get_target_property(libs ${target} LINK_LIBRARIES)
    if(NOT "zep_warnings" IN_LIST libs)
      list(APPEND missing "${target} (zep_warnings)")
    endif()
    if(WIN32 AND type MATCHES "^(EXECUTABLE|SHARED_LIBRARY|MODULE_LIBRARY)$"
       AND NOT "zep_static_runtime" IN_LIST libs)
      list(APPEND missing "${target} (zep_static_runtime)")
    endif()
  endforeach()
  if(missing)
    list(JOIN missing "\n  " text)
    message(FATAL_ERROR "Targets that do not link the project's options:\n  ${text}")
  endif()
endfunction()
