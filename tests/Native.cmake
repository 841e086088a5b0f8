# Native tests and the registration of the tests that run under Wine.

list(TRANSFORM UNIT_TEST_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/ OUTPUT_VARIABLE unit_files)
add_executable(unit_tests ${unit_files})
target_link_libraries(unit_tests PRIVATE logic GTest::gtest_main)
add_test(NAME unit.native COMMAND unit_tests)

# The same tests with the logic compiled under AddressSanitizer and
# UndefinedBehaviorSanitizer.
set(SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
add_executable(unit_tests_sanitized ${unit_files} ${logic_files})
target_compile_options(unit_tests_sanitized PRIVATE ${SANITIZE})
target_link_options(unit_tests_sanitized PRIVATE ${SANITIZE})
target_link_libraries(unit_tests_sanitized PRIVATE GTest::gtest_main)
add_test(NAME unit.sanitized COMMAND unit_tests_sanitized)

# The package builder, natively.
add_executable(tarnpack_tests ${CMAKE_SOURCE_DIR}/tests/tools/tarnpack_test.cpp)
target_link_libraries(tarnpack_tests PRIVATE tarnpack_lib GTest::gtest)
add_test(NAME tarnpack.native COMMAND tarnpack_tests)
set_tests_properties(tarnpack.native PROPERTIES ENVIRONMENT "TARNPACK=$<TARGET_FILE:tarnpack>")

# Fuzz targets of the parsers and rules of package input: a bounded run in
# the suite, over the target's seeds (tests/fuzz/corpus/<name>/, written by
# tests/fuzz/make_corpus.py) first. The seeds are given as inputs, not as a
# corpus folder, so that a run never adds to them. Runs are counted so that
# each target takes some seconds; the expansion of tokens is the slow one.
set(FUZZ_RUNS 20000)
set(FUZZ_RUNS_ini 10000)
set(FUZZ_RUNS_tokens 3000)
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  foreach(target ${FUZZ_TARGETS})
    add_executable(fuzz_${target} ${CMAKE_SOURCE_DIR}/tests/fuzz/${target}_fuzz.cpp ${logic_files})
    target_compile_options(fuzz_${target} PRIVATE -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all)
    target_link_options(fuzz_${target} PRIVATE -fsanitize=fuzzer,address,undefined)
    file(GLOB seeds CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/${target}/*)
    list(JOIN seeds "," seed_list)
    set(runs ${FUZZ_RUNS})
    if(DEFINED FUZZ_RUNS_${target})
      set(runs ${FUZZ_RUNS_${target}})
    endif()
    add_test(NAME fuzz.${target} COMMAND fuzz_${target} -runs=${runs} -max_len=4096 -seed=1 -seed_inputs=${seed_list})
    # A small quarantine keeps the memory of the long expansions modest.
    set_tests_properties(fuzz.${target} PROPERTIES ENVIRONMENT "ASAN_OPTIONS=quarantine_size_mb=16")
  endforeach()
endif()

# Under Wine: one session (display, prefix, wineserver) for the whole run.
set(SESSION ${CMAKE_SOURCE_DIR}/tests/wine/session.sh)
set(WINE_DIR ${CMAKE_BINARY_DIR}/wine)
add_test(NAME wine.start COMMAND ${SESSION} start ${WINE_DIR})
set_tests_properties(wine.start PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
add_test(NAME wine.stop COMMAND ${SESSION} stop ${WINE_DIR})
set_tests_properties(wine.stop PROPERTIES FIXTURES_CLEANUP wine)

function(add_wine_test name exe)
  add_test(NAME ${name} COMMAND ${SESSION} run ${WINE_DIR} ${WINBIN}/${exe} ${ARGN})
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 900)
endfunction()

add_wine_test(unit.wine unit_tests.exe)
add_wine_test(win.extract win_tests.exe)
add_wine_test(win.registry registry_tests.exe)
add_wine_test(win.services service_tests.exe)
foreach(name ${E2E_TESTS})
  add_wine_test(e2e.${name} e2e_${name}.exe)
  # Packages share one single-instance mutex per machine: one at a time.
  set_tests_properties(e2e.${name} PROPERTIES RESOURCE_LOCK packages)
endforeach()
