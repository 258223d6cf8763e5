# Tools that run on the build machine while a Windows preset builds: built as
# separate native projects, with the machine's own compiler.
include(ExternalProject)

set(ZEP_MKPATCH ${CMAKE_BINARY_DIR}/host-tools/mkpatch/mkpatch)
ExternalProject_Add(host_mkpatch
  SOURCE_DIR ${CMAKE_SOURCE_DIR}/tools/mkpatch
  BINARY_DIR ${CMAKE_BINARY_DIR}/host-tools/mkpatch
  CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release
  CMAKE_CACHE_ARGS -DCMAKE_TOOLCHAIN_FILE:STRING=
  BUILD_ALWAYS ON
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS ${ZEP_MKPATCH})

# sgvrtool writes the signature library's built-in registries, the key
# registries and the signed packages; the cross build runs the host-built one.
set(ZEP_SGVRTOOL_DIR ${CMAKE_BINARY_DIR}/host-tools/sgvrtool)
set(ZEP_SGVRTOOL ${ZEP_SGVRTOOL_DIR}/sgvrtool_boot)
set(ZEP_SGVRTOOL_HOST ${ZEP_SGVRTOOL_DIR}/sgvrtool)
set(ZEP_SGVRTOOL_TARGET host_sgvrtool)
ExternalProject_Add(host_sgvrtool
  SOURCE_DIR ${CMAKE_SOURCE_DIR}/tools/sgvrtool
  BINARY_DIR ${ZEP_SGVRTOOL_DIR}
  CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release
  CMAKE_CACHE_ARGS -DCMAKE_TOOLCHAIN_FILE:STRING=
                   -DZEP_BUILTIN_REGISTRY:FILEPATH=${ZEP_BUILTIN_REGISTRY}
                   -DZEP_BUILTIN_ROOT_KEY:FILEPATH=${ZEP_BUILTIN_ROOT_KEY}
  BUILD_COMMAND ${CMAKE_COMMAND} --build ${ZEP_SGVRTOOL_DIR} --target sgvrtool_boot sgvrtool
  BUILD_ALWAYS ON
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS ${ZEP_SGVRTOOL} ${ZEP_SGVRTOOL_HOST})
