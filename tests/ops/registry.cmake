# Helper programs of registry_tests.

# Stands in for regsvr32.exe and for the program behind a document; it
# notes its start only after half a second.
add_executable(ops_recorder WIN32 ${CMAKE_SOURCE_DIR}/tests/helpers/recorder.cpp)
target_compile_definitions(ops_recorder PRIVATE RECORDER_DELAY_MS=500)
target_link_options(ops_recorder PRIVATE -static)

# A COM server for regsvr32.exe; its entries are exported without the
# stdcall decoration, as regsvr32 looks them up.
add_library(ops_server SHARED ${CMAKE_SOURCE_DIR}/tests/ops/com_server.cpp)
set_target_properties(ops_server PROPERTIES PREFIX "" OUTPUT_NAME ops_server)
target_link_options(ops_server PRIVATE -static -Wl,--kill-at)

# The font cases install the DejaVu fonts that test_fonts copies beside the tests.
add_dependencies(registry_tests ops_recorder ops_server sleeper test_fonts)
