# Fuzz targets for the parsers of untrusted bytes.
#
# libFuzzer builds need clang:
#   CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DZEP_FUZZ=ON
#   cmake --build build/fuzz --target fuzz_registry_image fuzz_lz77_codec
# Every build (host preset too) runs the committed corpus and reproducer
# files through the same entry points as a CTest test, so a crash once
# found stays fixed.


if(WIN32)
  return()
endif()

set(ZEP_FUZZ_TARGETS registry_image lz77_codec)

foreach(name IN LISTS ZEP_FUZZ_TARGETS)
  add_executable(fuzz_${name}_regression ${name}/fuzz_${name}.cpp FuzzRegressionMain.cpp)
  target_link_libraries(fuzz_${name}_regression PRIVATE sgvr_image_writer)
  add_test(NAME fuzz_${name}_regression
    COMMAND fuzz_${name}_regression ${CMAKE_CURRENT_SOURCE_DIR}/${name}/corpus
            ${CMAKE_CURRENT_SOURCE_DIR}/${name}/reproducers)
endforeach()

if(NOT ZEP_FUZZ)
  return()
endif()
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "ZEP_FUZZ needs clang (CC=clang CXX=clang++)")
endif()

# The libraries under test are compiled again with the sanitizers and
# coverage instrumentation, so that the fuzzer sees inside them.
set(ZEP_FUZZ_FLAGS -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
set(ZEP_FUZZ_LIB_SOURCES)
foreach(lib sgvr_image sgvr_image_writer)
  get_target_property(dir ${lib} SOURCE_DIR)
  get_target_property(srcs ${lib} SOURCES)
  foreach(src IN LISTS srcs)
    list(APPEND ZEP_FUZZ_LIB_SOURCES ${dir}/${src})
  endforeach()
endforeach()
add_library(sgvr_image_fuzzlib STATIC ${ZEP_FUZZ_LIB_SOURCES})
target_include_directories(sgvr_image_fuzzlib PUBLIC ${dir})
target_link_libraries(sgvr_image_fuzzlib PUBLIC sgvr_bytes)
target_compile_options(sgvr_image_fuzzlib PRIVATE ${ZEP_FUZZ_FLAGS})

foreach(name IN LISTS ZEP_FUZZ_TARGETS)
  add_executable(fuzz_${name} ${name}/fuzz_${name}.cpp)
  target_compile_options(fuzz_${name} PRIVATE ${ZEP_FUZZ_FLAGS})
  target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(fuzz_${name} PRIVATE sgvr_image_fuzzlib)
endforeach()
