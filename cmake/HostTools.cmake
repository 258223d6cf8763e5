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
