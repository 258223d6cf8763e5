# Boost smart pointers (header-only) and GoogleTest, for every preset.
if(WIN32)
  # The cross compiler must not see the host's /usr/include: offer it a folder
  # that holds only boost/.
  set(ZEP_BOOST_ONLY ${CMAKE_BINARY_DIR}/boost-include)
  file(MAKE_DIRECTORY ${ZEP_BOOST_ONLY})
  file(CREATE_LINK /usr/include/boost ${ZEP_BOOST_ONLY}/boost SYMBOLIC)
  add_library(zep_boost INTERFACE)
  target_include_directories(zep_boost SYSTEM INTERFACE ${ZEP_BOOST_ONLY})
else()
  add_library(zep_boost INTERFACE)
endif()

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(gtest_disable_pthreads ${WIN32} CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
