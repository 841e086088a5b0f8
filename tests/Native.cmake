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
set_tests_properties(tarnpack.native PROPERTIES ENVIRONMENT
  "TARNPACK=$<TARGET_FILE:tarnpack>;TARNSTUB_DIR=${BIN};TARN_EXAMPLE=${CMAKE_SOURCE_DIR}/example")

# The winget manifests, field by field against the schema's rules (one
# package signed, so that the digest is of the finished package).
add_test(NAME tarnpack.winget COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/tools/winget_fields.py
                                      --tarnpack $<TARGET_FILE:tarnpack>)

# tarnpack installed by cmake --install into a fresh prefix, used from there.
add_test(NAME tarnpack.install COMMAND ${CMAKE_SOURCE_DIR}/tests/tools/install_test.sh ${CMAKE_BINARY_DIR})

# Signing, natively: the real setup stubs, osslsigncode and throw-away
# certificates.
add_executable(tarnpack_signing_tests ${CMAKE_SOURCE_DIR}/tests/tools/signing_test.cpp)
target_link_libraries(tarnpack_signing_tests PRIVATE tarnpack_lib GTest::gtest)
add_test(NAME tarnpack.signing COMMAND tarnpack_signing_tests)
set_tests_properties(tarnpack.signing PROPERTIES ENVIRONMENT
  "TARNPACK=$<TARGET_FILE:tarnpack>;TARNSTUB_DIR=${BIN};TARN_SIGNED_PACKAGES=${WINBIN}/signed/signed.exe:${WINBIN64}/signed/signed.exe")

# The examples of docs/authoring.md: each complete example and each task
# line is packaged with tarnpack (the real setup stub and data beside it),
# and the task lines are read as the setup stub reads them.
add_executable(docs_task_fields ${CMAKE_SOURCE_DIR}/tests/tools/docs_task_fields.cpp)
target_link_libraries(docs_task_fields PRIVATE logic)
add_test(NAME docs.examples
         COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/tools/docs_examples.py --doc ${CMAKE_SOURCE_DIR}/docs/authoring.md
                 --stub $<TARGET_FILE_DIR:tarnpack>/tarnstub.exe --data ${BIN}/data
                 --task-fields $<TARGET_FILE:docs_task_fields>)
set_tests_properties(docs.examples PROPERTIES ENVIRONMENT "TARNPACK=$<TARGET_FILE:tarnpack>")

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

# Under Wine. Which Windows builds the suite runs is the host's answer
# (tests/wine/session.sh host; TARN_WINE_ARCH=x86|x64|both forces one):
#   x86       the i686 build, whole
#   x64       the x86_64 build, whole (hosts that run no 32-bit programs)
#   x86 x64   the i686 build whole, and the x86_64 build's end-to-end tests
# Each leg has its own sessions (display, prefix, wineserver) and test names
# (the x86_64 leg's begin with "x64."). Tests that change the machine's
# registry or services run in a session of their own, beside the packages.
set(SESSION ${CMAKE_SOURCE_DIR}/tests/wine/session.sh)
execute_process(COMMAND ${SESSION} host OUTPUT_VARIABLE host_answer ERROR_VARIABLE host_error
                RESULT_VARIABLE host_result OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT host_result EQUAL 0)
  message(FATAL_ERROR "tests/wine/session.sh host failed: ${host_error}")
endif()
string(REGEX MATCH "^[^\n]*" WINE_LEGS "${host_answer}")
string(REGEX REPLACE "^[^\n]*\n" "" host_reason "${host_answer}")
message(STATUS "Wine suite: ${WINE_LEGS} (${host_reason})")
separate_arguments(WINE_LEGS)

# One session: its start and stop tests, set up and cleaned up as a fixture.
function(add_wine_session name arch bin)
  set(dir ${CMAKE_BINARY_DIR}/${name})
  add_test(NAME ${name}.start COMMAND ${SESSION} start ${dir} ${arch} ${bin})
  set_tests_properties(${name}.start PROPERTIES FIXTURES_SETUP ${name} TIMEOUT 300)
  add_test(NAME ${name}.stop COMMAND ${SESSION} stop ${dir})
  set_tests_properties(${name}.stop PROPERTIES FIXTURES_CLEANUP ${name})
endfunction()

function(add_wine_test name session exe)
  add_test(NAME ${name} COMMAND ${SESSION} run ${CMAKE_BINARY_DIR}/${session} ${bin}/${exe} ${ARGN})
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED ${session} TIMEOUT 900)
endfunction()

# One leg: `prefix` starts its test names, `whole` adds the tests that are
# not end-to-end.
function(add_wine_leg arch bin prefix whole)
  set(wine ${prefix}wine)
  string(REPLACE "." "" wine "${wine}")
  add_wine_session(${wine} ${arch} ${bin})
  if(whole)
    add_wine_session(${wine}-ops ${arch} ${bin})
    add_wine_test(${prefix}unit.wine ${wine} unit_tests.exe)
    add_wine_test(${prefix}win.extract ${wine} win_tests.exe)
    add_wine_test(${prefix}win.registry ${wine}-ops registry_tests.exe)
    add_wine_test(${prefix}win.services ${wine}-ops service_tests.exe)
    # Both change what the machine holds (classes, services): one at a time.
    # The download tests need port 80 of the Linux host, which every Wine
    # session shares: one test at a time holds it.
    set_tests_properties(${prefix}win.registry PROPERTIES RESOURCE_LOCK ${wine}-ops)
    set_tests_properties(${prefix}win.services PROPERTIES RESOURCE_LOCK "${wine}-ops;port-80")
  endif()
  foreach(name ${E2E_TESTS})
    add_wine_test(${prefix}e2e.${name} ${wine} e2e_${name}.exe)
    # Packages share one single-instance mutex per machine: one at a time.
    set_tests_properties(${prefix}e2e.${name} PROPERTIES RESOURCE_LOCK ${wine}-packages)
  endforeach()
  # The unattended runs install in a zone of their own (+13:45 in the
  # southern summer, +12:45 in winter), which the file times must not show.
  set_tests_properties(${prefix}e2e.silent PROPERTIES ENVIRONMENT TZ=Pacific/Chatham)
  # A download server asks for port 80 first, and a download's size probe
  # always asks port 80 (see above).
  set_tests_properties(${prefix}e2e.responsive ${prefix}e2e.task_kinds PROPERTIES RESOURCE_LOCK
                       "${wine}-packages;port-80")
  # The wizard's layout on a screen of 144 DPI (150 %), in a session of its own.
  add_wine_session(${wine}-144dpi ${arch} ${bin})
  set_tests_properties(${wine}-144dpi.start PROPERTIES ENVIRONMENT TARN_SESSION_DPI=144)
  add_wine_test(${prefix}e2e.wizard_look_144dpi ${wine}-144dpi e2e_wizard_pages.exe
                --gtest_filter=WizardPages.ControlsSitWhereTheLookPutsThem)
  if(whole)
    # Damaged and hostile packages (tests/fault/inject.py), a fixed sample of
    # every kind, each run unattended in a session (a machine) of the
    # script's own: nothing may crash, hang, stay in the temporary folder,
    # land outside the install folder, or be registered without its files.
    add_test(NAME ${prefix}fault.sample
             COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/fault/inject.py --sample --arch ${arch}
                     --tarnpack $<TARGET_FILE:tarnpack> --bin ${bin} --session ${CMAKE_BINARY_DIR}/${wine}-fault)
    set_tests_properties(${prefix}fault.sample PROPERTIES TIMEOUT 600)
    # Hostile setup scripts, a fixed sample of every spelling: destructive
    # tasks aimed at protected folders, installed on the throw-away drive
    # and removed again, beside a profile named beyond ASCII: nothing
    # outside T: may be deleted, nothing registered without its files.
    add_test(NAME ${prefix}fault.hostile_sample
             COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/fault/inject.py --family hostile --sample --arch ${arch}
                     --tarnpack $<TARGET_FILE:tarnpack> --bin ${bin} --session ${CMAKE_BINARY_DIR}/${wine}-hostile)
    set_tests_properties(${prefix}fault.hostile_sample PROPERTIES TIMEOUT 600)
  endif()
endfunction()

if("x86" IN_LIST WINE_LEGS)
  add_wine_leg(x86 ${WINBIN} "" ON)
  if("x64" IN_LIST WINE_LEGS)
    add_wine_leg(x64 ${WINBIN64} "x64." OFF)
  endif()
elseif("x64" IN_LIST WINE_LEGS)
  add_wine_leg(x64 ${WINBIN64} "x64." ON)
endif()

# tarnpack inspect: a package built in the test, its JSON, damaged copies,
# and the signed test package.
add_test(NAME tarnpack.inspect
         COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/tools/package_report_test.py $<TARGET_FILE:tarnpack>
                 ${WINBIN}/tarnstub.exe ${BIN}/data ${WINBIN}/signed)
