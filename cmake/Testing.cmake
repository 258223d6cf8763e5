# How tests are declared. Every test goes through these two functions, so the
# skip status, the Wine label and the record of skip reasons are set here only.
#
#   zep_add_gtest(name SOURCES src... LIBRARIES lib... [INCLUDES dir...]
#                 [DEFINITIONS def...] [ENVIRONMENT var=value...] [DEPENDS target...])
#       A GoogleTest program (LIBRARIES names gtest_main or gtest, gmock as needed).
#       In a native build each case is a CTest test of its own, "name.Suite.Case",
#       so a failure names its case; in the Windows presets the program is one
#       test, run under Wine in a private prefix and labelled "wine".
#   zep_add_test(name COMMAND cmd... [LABELS label...] [ENVIRONMENT var=value...]
#                [WORKING_DIRECTORY dir])
#       Any other test: scripts, scenario modules, fuzz replays.
#
# A test that cannot run on this machine exits with 77. CTest reports it as
# skipped, tests/support/record-skip keeps the last line it printed as the
# reason, and ctest prints those reasons after its summary (CTestCustom.cmake),
# also in a plain `ctest` run without -V.
include_guard(GLOBAL)
include(GoogleTest)

set(ZEP_RECORD_SKIP ${CMAKE_SOURCE_DIR}/tests/support/record-skip)
set(ZEP_SKIP_REASONS ${CMAKE_BINARY_DIR}/Testing/skip-reasons.txt)

if(CMAKE_CROSSCOMPILING AND WIN32)
  # Every Windows program that CTest starts runs under Wine; the emulator
  # exits with 77 where this machine cannot run it (a PE32 build without
  # 32-bit Wine).
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ZEP_RECORD_SKIP} ${CMAKE_SOURCE_DIR}/tests/wine/run-in-wine)
endif()

file(WRITE ${CMAKE_BINARY_DIR}/CTestCustom.cmake
"# Written by cmake/Testing.cmake: a run starts with no skip reasons and ends by printing them.
set(CTEST_CUSTOM_PRE_TEST \"\\\"${CMAKE_COMMAND}\\\" -E rm -f \\\"${ZEP_SKIP_REASONS}\\\"\")
set(CTEST_CUSTOM_POST_TEST \"\\\"${CMAKE_COMMAND}\\\" -P \\\"${CMAKE_SOURCE_DIR}/cmake/SkipReasons.cmake\\\" \\\"${ZEP_SKIP_REASONS}\\\"\")
")

# Properties every test gets: the skip status and where to record why.
function(_zep_test_properties name)
  # PARSE_ARGV keeps an escaped ";" inside a value (a list passed in one variable).
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "LABELS;ENVIRONMENT")
  set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77)
  set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT
               ZEP_SKIP_REASONS=${ZEP_SKIP_REASONS} ZEP_TEST_NAME=${name} ${arg_ENVIRONMENT})
  if(arg_LABELS)
    set_property(TEST ${name} APPEND PROPERTY LABELS ${arg_LABELS})
  endif()
endfunction()

function(zep_add_test name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "WORKING_DIRECTORY" "COMMAND;LABELS;ENVIRONMENT")
  if(NOT arg_COMMAND)
    message(FATAL_ERROR "zep_add_test(${name}): COMMAND is required")
  endif()
  set(dir)
  if(arg_WORKING_DIRECTORY)
    set(dir WORKING_DIRECTORY ${arg_WORKING_DIRECTORY})
  endif()
  # A program of this build runs as CTest would run it: under the emulator
  # (which records skips itself) when cross-compiled.
  set(launcher ${ZEP_RECORD_SKIP})
  list(GET arg_COMMAND 0 program)
  if(TARGET ${program})
    list(POP_FRONT arg_COMMAND)
    list(PREPEND arg_COMMAND $<TARGET_FILE:${program}>)
    if(CMAKE_CROSSCOMPILING)
      set(launcher ${CMAKE_CROSSCOMPILING_EMULATOR})
    endif()
  endif()
  add_test(NAME ${name} COMMAND ${launcher} ${arg_COMMAND} ${dir})
  _zep_test_properties(${name} LABELS ${arg_LABELS} ENVIRONMENT ${arg_ENVIRONMENT})
endfunction()

function(zep_add_gtest name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;LIBRARIES;INCLUDES;DEFINITIONS;ENVIRONMENT;DEPENDS")
  if(NOT arg_SOURCES OR NOT arg_LIBRARIES)
    message(FATAL_ERROR "zep_add_gtest(${name}): SOURCES and LIBRARIES are required")
  endif()
  add_executable(${name} ${arg_SOURCES})
  target_link_libraries(${name} PRIVATE ${arg_LIBRARIES} zep_skip_listener zep_warnings zep_static_runtime)
  if(arg_INCLUDES)
    target_include_directories(${name} PRIVATE ${arg_INCLUDES})
  endif()
  if(arg_DEFINITIONS)
    target_compile_definitions(${name} PRIVATE ${arg_DEFINITIONS})
  endif()
  if(arg_DEPENDS)
    add_dependencies(${name} ${arg_DEPENDS})
  endif()

  if(CMAKE_CROSSCOMPILING)
    # One Wine prefix per program: a prefix per case would cost seconds each.
    add_test(NAME ${name} COMMAND ${name})
    _zep_test_properties(${name} LABELS wine ENVIRONMENT ZEP_TEST_PROGRAM=${name} ${arg_ENVIRONMENT})
  else()
    set(environment ZEP_SKIP_REASONS=${ZEP_SKIP_REASONS} ZEP_TEST_PROGRAM=${name} ${arg_ENVIRONMENT})
    string(REPLACE ";" "\\;" environment "${environment}")
    gtest_discover_tests(${name} TEST_PREFIX ${name}. DISCOVERY_TIMEOUT 60
                         PROPERTIES ENVIRONMENT "${environment}")
  endif()
endfunction()
