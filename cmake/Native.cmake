# The Linux side: the package builder, the pure-logic tests (also under the
# sanitizers and the fuzzer), the Windows build as a sub-build, and the
# registration of the tests that run under Wine.

set(BIN ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${BIN})
include_directories(${CMAKE_SOURCE_DIR})
add_compile_options(-Wall -Wextra)

find_package(ZLIB REQUIRED)
find_package(GTest REQUIRED)

add_library(minizip STATIC ${MINIZIP_DIR}/ioapi.c ${MINIZIP_DIR}/zip.c ${MINIZIP_DIR}/unzip.c)
target_include_directories(minizip PUBLIC ${MINIZIP_DIR})
target_compile_definitions(minizip PRIVATE NOCRYPT NOUNCRYPT _LARGEFILE64_SOURCE)
target_compile_options(minizip PRIVATE -w)
target_link_libraries(minizip PUBLIC ZLIB::ZLIB)

list(TRANSFORM LOGIC_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/ OUTPUT_VARIABLE logic_files)
add_library(logic STATIC ${logic_files})

list(TRANSFORM TARNPACK_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/ OUTPUT_VARIABLE tarnpack_files)
add_library(tarnpack_lib STATIC ${tarnpack_files} ${CMAKE_SOURCE_DIR}/tools/tarnpack/fs_posix.cpp)
target_link_libraries(tarnpack_lib PUBLIC logic minizip libdeflate_compress)
add_executable(tarnpack ${CMAKE_SOURCE_DIR}/tools/tarnpack/main.cpp)
target_link_libraries(tarnpack PRIVATE tarnpack_lib)
target_compile_definitions(tarnpack PRIVATE TARN_VERSION="${PROJECT_VERSION}")

# The manual page, made from tarnpack's own --help and --version.
set(MAN_PAGE ${CMAKE_BINARY_DIR}/man/tarnpack.1)
add_custom_command(
  OUTPUT ${MAN_PAGE}
  COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/help_to_man.py $<TARGET_FILE:tarnpack> ${MAN_PAGE}
  DEPENDS tarnpack ${CMAKE_SOURCE_DIR}/tools/help_to_man.py
  COMMENT "Making the manual page of tarnpack")
add_custom_target(man_page ALL DEPENDS ${MAN_PAGE})

# The Windows programs, cross-compiled in a build of their own for each
# architecture: build/windows (i686, the default product) and
# build/windows64 (x86_64).
include(ExternalProject)
set(WINBIN ${CMAKE_BINARY_DIR}/windows/bin)
set(WINBIN64 ${CMAKE_BINARY_DIR}/windows64/bin)
foreach(arch i686 x86_64)
  set(tree windows)
  if(arch STREQUAL x86_64)
    set(tree windows64)
  endif()
  ExternalProject_Add(${tree}
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/${tree}
    CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw.cmake -DTARN_ARCH=${arch}
               -DCMAKE_BUILD_TYPE=Release
    BUILD_ALWAYS ON
    INSTALL_COMMAND ""
    USES_TERMINAL_BUILD ON)
endforeach()

# Shipped data and the setup stubs beside the builder, so that tarnpack finds
# them without options.
add_custom_target(data ALL
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/data ${BIN}/data
  COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/make_bitmaps.py ${BIN}/data/bitmaps
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${WINBIN}/tarnstub.exe ${BIN}/tarnstub.exe
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${WINBIN64}/tarnstub64.exe ${BIN}/tarnstub64.exe
  DEPENDS windows windows64)

# cmake --install: tarnpack in bin/, the setup stubs and the shipped data
# in share/tarnwick/ (where tarnpack looks for them from ../share/tarnwick/),
# the manual page in share/man/man1/.
install(TARGETS tarnpack RUNTIME DESTINATION bin)
install(FILES ${BIN}/tarnstub.exe ${BIN}/tarnstub64.exe DESTINATION share/tarnwick)
install(DIRECTORY ${BIN}/data/languages ${BIN}/data/bitmaps DESTINATION share/tarnwick)
install(FILES ${MAN_PAGE} DESTINATION share/man/man1)

# Signed packages for the end-to-end test of signing, which the Windows
# builds cannot make: a small package signed by tarnpack with a throw-away
# certificate, and its unsigned twin, beside each Windows build's tests
# (bin/signed/).
find_program(OSSLSIGNCODE osslsigncode)
find_program(OPENSSL openssl)
if(NOT OSSLSIGNCODE OR NOT OPENSSL)
  message(FATAL_ERROR "osslsigncode or openssl is missing: run scripts/bootstrap.sh")
endif()
set(signed_outputs ${WINBIN}/signed/signed.exe ${WINBIN}/signed/unsigned.exe ${WINBIN64}/signed/signed.exe
                   ${WINBIN64}/signed/unsigned.exe)
add_custom_command(
  OUTPUT ${signed_outputs}
  COMMAND ${CMAKE_SOURCE_DIR}/tests/e2e/make_signed.sh $<TARGET_FILE:tarnpack> ${CMAKE_BINARY_DIR}/signing
          ${WINBIN}/tarnstub.exe ${WINBIN}/signed ${WINBIN64}/tarnstub64.exe ${WINBIN64}/signed
  DEPENDS tarnpack ${CMAKE_SOURCE_DIR}/tests/e2e/make_signed.sh ${WINBIN}/tarnstub.exe ${WINBIN64}/tarnstub64.exe
  COMMENT "Signing the packages of the end-to-end test of signing")
add_custom_target(signed_packages ALL DEPENDS ${signed_outputs})
add_dependencies(signed_packages windows windows64 data)

include(${CMAKE_SOURCE_DIR}/tests/Native.cmake)
