# Benchmark programs (run by bench/*.sh, not by the tests).
add_executable(copy_bench ${CMAKE_SOURCE_DIR}/bench/copy_bench.cpp)
target_link_libraries(copy_bench PRIVATE stubcore)
target_link_options(copy_bench PRIVATE -static -municode)
