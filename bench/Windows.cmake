# Benchmark programs (run by bench/run.sh, not by the tests).

# The stub's payload copy against CopyFileW.
add_executable(copy_bench ${CMAKE_SOURCE_DIR}/bench/copy_bench.cpp)
target_link_libraries(copy_bench PRIVATE stubcore)
target_link_options(copy_bench PRIVATE -static -municode)

# Walks a package's wizard and times it; times the uninstaller and other programs.
add_executable(bench_drive ${CMAKE_SOURCE_DIR}/bench/bench_drive.cpp)
target_link_libraries(bench_drive PRIVATE driver psapi)
target_link_options(bench_drive PRIVATE ${TEST_LINK} -municode)

# The peer: minizip's own miniunz, built the way its makefile builds it
# (optimised for speed, over a whole zlib with its default CRC-32), not
# with the size options of the shipped programs.
set(BENCH_ZLIB_SOURCES adler32.c crc32.c inffast.c inflate.c inftrees.c zutil.c)
list(TRANSFORM BENCH_ZLIB_SOURCES PREPEND ${ZLIB_SOURCE_DIR}/)
add_executable(miniunz ${MINIZIP_DIR}/miniunz.c ${MINIZIP_DIR}/unzip.c ${MINIZIP_DIR}/ioapi.c ${MINIZIP_DIR}/iowin32.c
                       ${BENCH_ZLIB_SOURCES})
target_include_directories(miniunz PRIVATE ${MINIZIP_DIR} ${ZLIB_SOURCE_DIR})
target_compile_definitions(miniunz PRIVATE NOCRYPT NOUNCRYPT)
target_compile_options(miniunz PRIVATE -O2 -w)
target_link_options(miniunz PRIVATE -static)

# For the analysis only: the same miniunz over the stub's own minizip and
# zlib (optimised for size, byte-wise CRC-32), which tells the cost of that
# build apart from the cost of the stub's own work per file.
add_executable(miniunz_small ${MINIZIP_DIR}/miniunz.c)
target_link_libraries(miniunz_small PRIVATE minizip_unzip)
target_compile_definitions(miniunz_small PRIVATE NOCRYPT NOUNCRYPT)
target_compile_options(miniunz_small PRIVATE -O2 -w)
target_link_options(miniunz_small PRIVATE -static)
