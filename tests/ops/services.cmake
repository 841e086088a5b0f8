# Helper programs of service_tests: a real service program.
add_executable(test_service ${CMAKE_SOURCE_DIR}/tests/helpers/test_service.cpp)
target_link_libraries(test_service PRIVATE advapi32)
target_link_options(test_service PRIVATE -static)
add_dependencies(service_tests test_service)
target_link_libraries(service_tests PRIVATE ws2_32)
