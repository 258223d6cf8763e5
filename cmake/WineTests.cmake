# Windows test programs run under Wine through CTest's emulator hook.
if(WIN32)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/tests/wine/run-in-wine)
endif()
