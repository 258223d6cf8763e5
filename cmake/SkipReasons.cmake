# cmake -DREASONS=file -P SkipReasons.cmake
# Run by ctest after its summary: prints why each skipped test did not run,
# as tests/support/record-skip recorded it ("name<TAB>reason" lines).
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
