# cmake -P SkipReasons.cmake file
# Run by ctest after its summary: prints why each skipped test did not run,
# as tests/support/record-skip and the GoogleTest listener recorded it
# ("name<TAB>reason" lines). The file comes as an argument: ctest would keep
# the quotes of a quoted -D value.
set(REASONS "${CMAKE_ARGV3}")
if(NOT EXISTS "${REASONS}")
  return()
endif()
file(STRINGS "${REASONS}" lines)
if(NOT lines)
  return()
endif()
list(SORT lines)
set(text "Why tests were skipped:\n")
foreach(line IN LISTS lines)
  string(REPLACE "\t" ": " line "${line}")
  string(APPEND text "\t${line}\n")
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -E echo_append "${text}")
