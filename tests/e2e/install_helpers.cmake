# Helper programs of the installation and task tests.

# Notes its command line, current folder and show state beside itself, and
# can hold a waited RUN task until the test lets it end.
add_executable(run_probe WIN32 ${CMAKE_SOURCE_DIR}/tests/helpers/run_probe.cpp)
target_link_options(run_probe PRIVATE -static)

# Holds a file open without sharing until it is stopped (KILLTASK).
add_executable(victim WIN32 ${CMAKE_SOURCE_DIR}/tests/helpers/victim.cpp)
target_link_libraries(victim PRIVATE shell32)
target_link_options(victim PRIVATE -static)

add_dependencies(e2e_install run_probe victim)
add_dependencies(e2e_tasks run_probe)
add_dependencies(e2e_safety sleeper victim uninstaller uninstaller-test)
# The download cancelled during the installation needs the test server.
target_sources(e2e_responsive PRIVATE ${CMAKE_SOURCE_DIR}/tests/ops/download_server.cpp)
target_link_libraries(e2e_responsive PRIVATE ws2_32)
add_dependencies(e2e_responsive run_probe)
