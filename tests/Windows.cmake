# Test programs that run under Wine.

set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

set(TEST_LINK -static)

# Real TrueType fonts for the font tests, from the Linux machine (the test
# machine has no drive that reaches them).
set(DEJAVU /usr/share/fonts/truetype/dejavu)
add_custom_target(test_fonts ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${BIN}/fonts
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${DEJAVU}/DejaVuSans.ttf ${DEJAVU}/DejaVuSansMono.ttf ${BIN}/fonts/)

# The test builds of the setup stub and the uninstaller: a restart is only
# written down (C:\tarnwick-restart-requests.txt), as a real one would end
# the Wine session, and a test can hold the package's copies.
add_setup_programs(-test ${CMAKE_SOURCE_DIR}/tests/helpers/restart_request_file.cpp
                   ${CMAKE_SOURCE_DIR}/tests/helpers/held_reads.cpp
                   ${CMAKE_SOURCE_DIR}/tests/helpers/end_after_task.cpp)

# The pure-logic unit tests, the same sources as the native run.
list(TRANSFORM UNIT_TEST_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/ OUTPUT_VARIABLE unit_files)
add_executable(unit_tests ${unit_files})
target_link_libraries(unit_tests PRIVATE logic gtest_main)
target_link_options(unit_tests PRIVATE ${TEST_LINK})

# Windows code tested directly (extraction and the like).
list(TRANSFORM WIN_TEST_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/ OUTPUT_VARIABLE win_test_files)
add_executable(win_tests ${win_test_files})
target_link_libraries(win_tests PRIVATE stubcore minizip_zip driver gtest_main)
target_link_options(win_tests PRIVATE ${TEST_LINK})

# Small helper programs that the tests start.
foreach(helper sleeper)
  add_executable(${helper} ${CMAKE_SOURCE_DIR}/tests/helpers/${helper}.cpp)
  target_link_options(${helper} PRIVATE -static)
endforeach()
# Prints path tokens as the running system expands them (tokens tests).
add_executable(token_probe ${CMAKE_SOURCE_DIR}/tests/helpers/token_probe.cpp)
target_link_libraries(token_probe PRIVATE stubcore)
target_link_options(token_probe PRIVATE -static -municode)
add_library(plant SHARED ${CMAKE_SOURCE_DIR}/tests/helpers/plant.cpp)
set_target_properties(plant PROPERTIES PREFIX "" OUTPUT_NAME plant)
target_link_options(plant PRIVATE -static)

# The driver and what the tests share beside it (files, the registry,
# processes, other Windows versions, the package fixture, and the end-to-end
# tests' support, wizard walks and setup scripts): every Windows test program
# links it.
set(DRIVER_DIR ${CMAKE_SOURCE_DIR}/tests/driver)
add_library(driver STATIC ${DRIVER_DIR}/driver.cpp ${DRIVER_DIR}/screen.cpp ${DRIVER_DIR}/files.cpp
                          ${DRIVER_DIR}/registry.cpp ${DRIVER_DIR}/processes.cpp ${DRIVER_DIR}/emulation.cpp
                          ${DRIVER_DIR}/package_fixture.cpp ${CMAKE_SOURCE_DIR}/tests/e2e/e2e_support.cpp
                          ${CMAKE_SOURCE_DIR}/tests/e2e/walk.cpp ${CMAKE_SOURCE_DIR}/tests/e2e/script_builder.cpp)
# The end-to-end tests read shell links back through the shell's link object.
target_link_libraries(driver PUBLIC tarnpack_lib gtest gdi32 user32 advapi32 shell32 ole32 uuid)
add_executable(tarndrive ${CMAKE_SOURCE_DIR}/tests/driver/tarndrive.cpp)
target_link_libraries(tarndrive PRIVATE driver)
target_link_options(tarndrive PRIVATE ${TEST_LINK} -municode)

foreach(name ${E2E_TESTS})
  add_executable(e2e_${name} ${CMAKE_SOURCE_DIR}/tests/e2e/${name}_test.cpp)
  target_link_libraries(e2e_${name} PRIVATE driver gtest_main)
  target_link_options(e2e_${name} PRIVATE ${TEST_LINK})
  add_dependencies(e2e_${name} stub stub-test sleeper plant token_probe test_service ops_server data)
endforeach()
# The signed packages' version resources are read as Explorer reads them.
target_link_libraries(e2e_signed PRIVATE version)

# The operations of install/, tested directly (see tests/ops/*.cmake for the
# helper programs they need).
list(TRANSFORM REGISTRY_TEST_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/ OUTPUT_VARIABLE registry_test_files)
add_executable(registry_tests ${registry_test_files})
target_link_libraries(registry_tests PRIVATE stubcore driver gtest_main)
target_link_options(registry_tests PRIVATE ${TEST_LINK})
list(TRANSFORM SERVICE_TEST_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/ OUTPUT_VARIABLE service_test_files)
add_executable(service_tests ${service_test_files})
target_link_libraries(service_tests PRIVATE stubcore driver gtest_main)
target_link_options(service_tests PRIVATE ${TEST_LINK})
include(${CMAKE_SOURCE_DIR}/tests/ops/registry.cmake)
include(${CMAKE_SOURCE_DIR}/tests/ops/services.cmake)
include(${CMAKE_SOURCE_DIR}/tests/e2e/wizard_helpers.cmake)
include(${CMAKE_SOURCE_DIR}/tests/e2e/install_helpers.cmake)
include(${CMAKE_SOURCE_DIR}/tests/e2e/uninstaller_helpers.cmake)
include(${CMAKE_SOURCE_DIR}/tests/e2e/silent_helpers.cmake)
