# Windows test programs run under Wine through CTest's emulator hook.
if(WIN32)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/tests/wine/run-in-wine)

  # The emulator exits with 77 where this machine cannot run the program (a
  # PE32 build without 32-bit Wine): every Windows test reports that as skipped.
  function(add_test)
    _add_test(${ARGV})
    if(ARGV0 STREQUAL "NAME")
      set_tests_properties(${ARGV1} PROPERTIES SKIP_RETURN_CODE 77)
    endif()
  endfunction()
endif()
