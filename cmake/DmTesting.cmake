# Test, fuzzing and benchmark helpers shared by every folder.
#
#   dm_add_gtest(NAME [SERIAL] SOURCES ... [LIBS ...])
#                                                  GoogleTest executable; one CTest test per case.
#                                                  Windows build: runs under Wine. Native build: under the sanitizers.
#                                                  SERIAL: no other test runs beside its cases (they change
#                                                  the display mode, which Wine shares across the server).
#   dm_add_fuzzer(NAME SOURCES ... [LIBS ...] CORPUS dir [SECONDS n])
#                                                  libFuzzer target (native sanitizer build only) and a short CTest run.
#   dm_add_benchmark(NAME SOURCES ... [LIBS ...])  Google Benchmark program (native build only); run by scripts/bench.

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)
include(GoogleTest)

function(dm_add_gtest name)
  cmake_parse_arguments(T "SERIAL" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} dm_warnings GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                       PROPERTIES TIMEOUT 300 RUN_SERIAL ${T_SERIAL})
endfunction()

function(dm_add_fuzzer name)
  cmake_parse_arguments(F "" "CORPUS;SECONDS" "SOURCES;LIBS" ${ARGN})
  if(NOT (DM_NATIVE AND DM_SANITIZE AND CMAKE_CXX_COMPILER_ID MATCHES "Clang"))
    return()
  endif()
  if(NOT F_SECONDS)
    set(F_SECONDS 20)
  endif()
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS} dm_warnings)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  # The short run works on a scratch copy so the kept corpus only changes on purpose.
  set(work "${CMAKE_CURRENT_BINARY_DIR}/${name}-corpus")
  add_test(NAME ${name}_short_run
           COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1
                   sh -c "rm -rf '${work}' && mkdir -p '${work}' '${F_CORPUS}' && exec \"$0\" -max_total_time=${F_SECONDS} -print_final_stats=1 '${work}' '${F_CORPUS}'"
                   $<TARGET_FILE:${name}>)
  set_tests_properties(${name}_short_run PROPERTIES TIMEOUT 300)
  set_property(GLOBAL APPEND PROPERTY DM_FUZZERS "$<TARGET_FILE:${name}>|${F_CORPUS}")
endfunction()

function(dm_add_benchmark name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT DM_NATIVE)
    return()
  endif()
  find_package(benchmark REQUIRED)
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS} dm_warnings benchmark::benchmark)
  set_property(GLOBAL APPEND PROPERTY DM_BENCHMARKS "$<TARGET_FILE:${name}>")
endfunction()

# Lists of the fuzzers (program|corpus) and native benchmarks of this build, one a line, for
# scripts/soak and scripts/bench. Called once, after every folder has been added.
function(dm_write_manifests)
  get_property(fuzzers GLOBAL PROPERTY DM_FUZZERS)
  get_property(benchmarks GLOBAL PROPERTY DM_BENCHMARKS)
  string(REPLACE ";" "\n" fuzzers "${fuzzers}")
  string(REPLACE ";" "\n" benchmarks "${benchmarks}")
  file(GENERATE OUTPUT "${CMAKE_BINARY_DIR}/fuzzers.txt" CONTENT "${fuzzers}\n")
  file(GENERATE OUTPUT "${CMAKE_BINARY_DIR}/benchmarks.txt" CONTENT "${benchmarks}\n")
endfunction()
