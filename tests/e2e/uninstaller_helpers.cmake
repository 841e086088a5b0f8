# Helper programs of the uninstaller tests (e2e_uninstaller and
# e2e_uninstall_cycle).

# Started by uninstall tasks: records what it saw and can be held running.
add_executable(uninstall_probe WIN32 ${CMAKE_SOURCE_DIR}/tests/helpers/uninstall_probe.cpp)
target_link_options(uninstall_probe PRIVATE -static)

# A server for regsvr32.exe whose unregistration waits for the test.
add_library(uninstall_gate SHARED ${CMAKE_SOURCE_DIR}/tests/helpers/uninstall_gate.cpp)
set_target_properties(uninstall_gate PROPERTIES PREFIX "" OUTPUT_NAME uninstall_gate)
target_link_options(uninstall_gate PRIVATE -static -Wl,--kill-at)

foreach(test e2e_uninstaller e2e_uninstall_cycle)
  add_dependencies(${test} uninstaller uninstaller-test uninstall_probe uninstall_gate sleeper test_service
                   ops_recorder)
  # Associations are set up for the removal tests with the product's own writer.
  target_link_libraries(${test} PRIVATE winshared)
endforeach()

# The task kinds' font case installs a font that test_fonts copies beside the tests.
add_dependencies(e2e_task_kinds test_fonts)
