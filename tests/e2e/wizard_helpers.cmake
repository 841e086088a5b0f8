# Helper programs of the wizard's end-to-end tests.

# Notes its command line beside itself: the program behind a finish option,
# and the handler of web addresses when a required framework is missing.
add_executable(wizard_recorder WIN32 ${CMAKE_SOURCE_DIR}/tests/helpers/recorder.cpp)
target_link_options(wizard_recorder PRIVATE -static)

add_dependencies(e2e_wizard_gates wizard_recorder)
add_dependencies(e2e_wizard_finish wizard_recorder)
