# Benchmark programs (run by bench/run.sh, not by the tests).

# The stub's payload copy against CopyFileW.
add_executable(copy_bench ${CMAKE_SOURCE_DIR}/bench/copy_bench.cpp)
target_link_libraries(copy_bench PRIVATE stubcore)
target_link_options(copy_bench PRIVATE -static -municode)

# Walks a package's wizard and times it; times the uninstaller and other programs.
add_executable(bench_drive ${CMAKE_SOURCE_DIR}/bench/bench_drive.cpp)
target_link_libraries(bench_drive PRIVATE driver psapi)
target_link_options(bench_drive PRIVATE ${TEST_LINK} -municode)

# The peer: minizip's own miniunz, built as the setup stub is: the same
# compiler and size options over the stub's own minizip and zlib build. It
# reads the archive through minizip's iowin32 (miniunz.c chooses that on
# Windows) and writes the files through the C library (fopen64, fwrite of
# 8 KB at a time).
add_executable(miniunz ${MINIZIP_DIR}/miniunz.c)
target_link_libraries(miniunz PRIVATE minizip_unzip)
target_compile_definitions(miniunz PRIVATE NOCRYPT NOUNCRYPT)
target_compile_options(miniunz PRIVATE ${SMALL_C_COMPILE})
target_link_options(miniunz PRIVATE -static)

# For the analysis only: the same miniunz optimised for speed (-O2) over a
# whole zlib with its default (braided) CRC-32, as minizip's makefile builds it.
set(BENCH_ZLIB_SOURCES adler32.c crc32.c inffast.c inflate.c inftrees.c zutil.c)
list(TRANSFORM BENCH_ZLIB_SOURCES PREPEND ${ZLIB_SOURCE_DIR}/)
add_executable(miniunz_fast ${MINIZIP_DIR}/miniunz.c ${MINIZIP_DIR}/unzip.c ${MINIZIP_DIR}/ioapi.c ${MINIZIP_DIR}/iowin32.c
                            ${BENCH_ZLIB_SOURCES})
target_include_directories(miniunz_fast PRIVATE ${MINIZIP_DIR} ${ZLIB_SOURCE_DIR})
target_compile_definitions(miniunz_fast PRIVATE NOCRYPT NOUNCRYPT)
target_compile_options(miniunz_fast PRIVATE -O2 -w)
target_link_options(miniunz_fast PRIVATE -static)
