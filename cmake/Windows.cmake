# The Windows programs (cross-compiled with mingw-w64): the uninstaller, the
# setup stub, the package builder and the tests that run under Wine.

set(BIN ${CMAKE_BINARY_DIR}/bin)
# The 64-bit build names its setup programs with "64" (tarnstub64.exe), and
# each program's manifest names its own processor architecture.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(ARCH_SUFFIX 64)
  set(MANIFEST_ARCH amd64)
else()
  set(ARCH_SUFFIX "")
  set(MANIFEST_ARCH x86)
endif()
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${BIN})
set(GENERATED ${CMAKE_BINARY_DIR}/generated)
file(MAKE_DIRECTORY ${GENERATED}/startup)

# The shipped programs and their libraries are written for the oldest
# systems they greet: the headers declare nothing newer than NT 4.0 and 95,
# and what is newer is looked up at run time (common/system_api.*). The
# package builder, the tests and the benchmarks, made later in this file,
# see Windows 7 (compile options, unlike definitions, are taken by each
# target when it is made).
add_compile_definitions(UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN)
include_directories(${CMAKE_SOURCE_DIR} ${GENERATED})
# The same commit gives the same programs, byte for byte, in any folder:
# no path of the build (__FILE__ of an assertion, debug information) is
# written as more than its part below the source folder, and the linker
# writes no time stamp into the headers (below).
set(PROGRAM_OPTIONS -Wall -Wextra -D_WIN32_WINNT=0x0400 -DWINVER=0x0400 -ffile-prefix-map=${CMAKE_SOURCE_DIR}/=)
add_compile_options(${PROGRAM_OPTIONS})

# What makes the two shipped programs small: optimise for size, no
# exceptions or run-time type information, no unwind tables, unused sections
# dropped, the C++ and C run-time libraries linked in, symbols stripped.
# _GLIBCXX_ASSERTIONS also keeps the library's prebuilt std::string out (it
# turns off the explicit instantiation declarations): without it the
# programs grow by 200 KB (the uninstaller) to 380 KB (the setup stub) of
# locale and exception code.
#
# Link-time optimisation of the two programs: the libraries they use are
# compiled to objects with both the intermediate code and regular code (fat),
# so that everything else (the tests, the package builder) links them as
# before, without link-time optimisation (-fno-lto, below). One partition:
# with several, GCC 12 for mingw stops with an internal compiler error
# (binds_to_current_def_p); the programs are small enough for one.
#
# Constructors keep their two entry points (-fno-declone-ctor-dtor): -Os
# otherwise gives each a body of its own that is local to the source file,
# and link-time optimisation keeps one identical copy of std::wstring's
# constructors for every file that uses them (2.5 KB of the 32-bit
# uninstaller, 7.5 KB of the 32-bit setup stub).
set(NO_UNWIND -fno-asynchronous-unwind-tables -fno-unwind-tables)
set(LTO_COMPILE -flto -ffat-lto-objects)
set(SMALL_COMPILE -Os -fno-declone-ctor-dtor -fno-exceptions -fno-rtti -fno-threadsafe-statics -D_GLIBCXX_ASSERTIONS -ffunction-sections -fdata-sections
                  ${NO_UNWIND} ${LTO_COMPILE})
set(SMALL_C_COMPILE -Os -ffunction-sections -fdata-sections ${NO_UNWIND} ${LTO_COMPILE} -w)
set(SMALL_LINK -static -s -Wl,--gc-sections -Wl,--no-insert-timestamp -mwindows -municode -flto -flto-partition=one
               -Os -ffile-prefix-map=${CMAKE_SOURCE_DIR}/=)
add_link_options(-fno-lto)

# 32-bit: the default linker script keeps every input .eh_frame section
# (KEEP), and with them every function they describe, used or not. The
# programs unwind nothing (no exceptions; 32-bit Windows unwinds through
# its own records), so the programs' own link drops them, except the
# run-time's begin and end markers, which go at the end of .rdata; the
# tables of C and C++ initialisers go into .data, and so does the template
# of thread-local data (the run-time's two markers; GCC emulates
# thread-local variables), at its start, where offsets from the section's
# start stay offsets from the template's. Three sections fewer, each padded
# to the file alignment. The script is the linker's own default with these
# changes; if its text ever differs, the default is kept.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  execute_process(COMMAND ${CMAKE_LINKER} --verbose OUTPUT_VARIABLE ld_verbose RESULT_VARIABLE ld_result)
  set(script "")
  if(ld_result EQUAL 0 AND ld_verbose MATCHES "\n=+\n(.*)\n=+\n")
    set(script "${CMAKE_MATCH_1}\n")
  endif()
  set(eh_block "  .eh_frame BLOCK(__section_alignment__) :\n  {\n    KEEP(*(.eh_frame*))\n  }\n")
  set(crt_regex "  \\.CRT BLOCK\\(__section_alignment__\\) :\n  {\n([^}]*)  }\n")
  set(data_end "    __data_end__ = . ;\n")
  set(psrelocs "    . = ALIGN(4);\n    __rt_psrelocs_start = .;\n")
  set(discard "     *(.gnu.lto_*)\n")
  set(tls_regex "  \\.tls BLOCK\\(__section_alignment__\\) :\n  {\n([^}]*)  }\n")
  set(data_start "    __data_start__ = . ;\n")
  string(FIND "${script}" "${eh_block}" eh_at)
  string(FIND "${script}" "${data_end}" data_end_at)
  string(FIND "${script}" "${psrelocs}" psrelocs_at)
  string(FIND "${script}" "${discard}" discard_at)
  string(FIND "${script}" "${data_start}" data_start_at)
  if(script MATCHES "${tls_regex}")
    set(tls_block "${CMAKE_MATCH_0}")
    set(tls_inputs "${CMAKE_MATCH_1}")
  endif()
  if(script MATCHES "${crt_regex}" AND NOT eh_at EQUAL -1 AND NOT data_end_at EQUAL -1 AND NOT psrelocs_at EQUAL -1
     AND NOT discard_at EQUAL -1 AND NOT data_start_at EQUAL -1 AND DEFINED tls_block)
    set(crt_block "${CMAKE_MATCH_0}")
    set(crt_inputs "${CMAKE_MATCH_1}")
    string(REPLACE "${crt_block}" "" script "${script}")
    string(REPLACE "${tls_block}" "" script "${script}")
    string(REPLACE "${data_start}" "${tls_inputs}${data_start}" script "${script}")
    string(REPLACE "${eh_block}" "" script "${script}")
    string(REPLACE "${data_end}" "${crt_inputs}    KEEP (*(SORT(.CRT$*)))\n${data_end}" script "${script}")
    string(REPLACE "${psrelocs}" "    KEEP(*crtbegin.o(.eh_frame*))\n    KEEP(*crtend.o(.eh_frame*))\n${psrelocs}" script
                   "${script}")
    string(REPLACE "${discard}" "${discard}     *(.eh_frame*)\n" script "${script}")
    # Rewritten only when it changes: the programs are linked again then.
    file(WRITE ${GENERATED}/small.x.new "${script}")
    configure_file(${GENERATED}/small.x.new ${GENERATED}/small.x COPYONLY)
    set(SMALL_SCRIPT ${GENERATED}/small.x)
    list(APPEND SMALL_LINK -Wl,-T,${SMALL_SCRIPT})
  else()
    message(WARNING "The linker's default script is not the expected one: the shipped programs keep all unwind tables")
  endif()
  # The programs register no structured exception handlers.
  list(APPEND SMALL_LINK -Wl,--no-seh)
endif()

# zlib from its sources, optimised for size. The shipped programs only read
# packages: they get the inflating half alone, without gzip headers (minizip
# reads raw deflate streams) and with the byte-wise CRC-32: one 1 KB table
# instead of the braided ones (4 KB more on 32-bit, 8 KB on 64-bit), for
# about a third more processor time to inflate and check an entry. The
# package builder and the tests also get the deflating half.
set(ZLIB_INCLUDE_DIR ${ZLIB_SOURCE_DIR})
add_library(zlib_inflate STATIC ${ZLIB_SOURCE_DIR}/inflate.c ${ZLIB_SOURCE_DIR}/inftrees.c ${ZLIB_SOURCE_DIR}/inffast.c
                                ${ZLIB_SOURCE_DIR}/crc32.c ${ZLIB_SOURCE_DIR}/adler32.c ${ZLIB_SOURCE_DIR}/zutil.c)
target_compile_definitions(zlib_inflate PRIVATE NO_GZIP Z_TESTW=0)
add_library(zlib_deflate STATIC ${ZLIB_SOURCE_DIR}/deflate.c ${ZLIB_SOURCE_DIR}/trees.c ${ZLIB_SOURCE_DIR}/compress.c)
target_link_libraries(zlib_deflate PUBLIC zlib_inflate)
target_include_directories(zlib_inflate PUBLIC ${ZLIB_INCLUDE_DIR})
foreach(t zlib_inflate zlib_deflate)
  target_compile_options(${t} PRIVATE ${SMALL_C_COMPILE})
endforeach()

# No import of the common controls: they are loaded at run time (see the toolkit).
set(WIN_LIBS shell32 ole32 uuid advapi32 gdi32 user32 kernel32)

# minizip over zlib
add_library(minizip_io STATIC ${MINIZIP_DIR}/ioapi.c ${MINIZIP_DIR}/iowin32.c)
add_library(minizip_unzip STATIC ${MINIZIP_DIR}/unzip.c)
add_library(minizip_zip STATIC ${MINIZIP_DIR}/zip.c)
foreach(t minizip_io minizip_unzip minizip_zip)
  target_include_directories(${t} PUBLIC ${MINIZIP_DIR} ${ZLIB_INCLUDE_DIR})
  target_compile_definitions(${t} PRIVATE NOUNCRYPT NOCRYPT)
  target_compile_options(${t} PRIVATE ${SMALL_C_COMPILE})
endforeach()
target_link_libraries(minizip_unzip PUBLIC minizip_io zlib_inflate)
target_link_libraries(minizip_zip PUBLIC minizip_io zlib_deflate)

# The built-in images, decoded from pixel art when a window needs them, and
# the icon file.
set(ART_FILES ${CMAKE_SOURCE_DIR}/startup/art/box.art ${CMAKE_SOURCE_DIR}/startup/art/folder.art
              ${CMAKE_SOURCE_DIR}/startup/art/group.art)
set(ICON_FILE ${GENERATED}/box.ico)
add_custom_command(
  OUTPUT ${GENERATED}/startup/art.h ${ICON_FILE}
  COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/art.py header ${GENERATED}/startup/art.h
          Box=${CMAKE_SOURCE_DIR}/startup/art/box.art Folder=${CMAKE_SOURCE_DIR}/startup/art/folder.art
          Group=${CMAKE_SOURCE_DIR}/startup/art/group.art
  COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/art.py ico ${ICON_FILE} ${CMAKE_SOURCE_DIR}/startup/art/box.art
  DEPENDS ${ART_FILES} ${CMAKE_SOURCE_DIR}/tools/art.py
  COMMENT "Generating the built-in images")
add_custom_target(art DEPENDS ${GENERATED}/startup/art.h ${ICON_FILE})

list(TRANSFORM LOGIC_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/ OUTPUT_VARIABLE logic_files)
list(TRANSFORM SHARED_WIN_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/ OUTPUT_VARIABLE shared_files)
list(TRANSFORM STUB_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/ OUTPUT_VARIABLE stub_files)
list(TRANSFORM UNINSTALLER_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/ OUTPUT_VARIABLE uninstaller_files)

add_library(logic STATIC ${logic_files})
add_library(winshared STATIC ${shared_files})
add_library(stubcore STATIC ${stub_files})
add_dependencies(stubcore art)
target_link_libraries(winshared PUBLIC logic ${WIN_LIBS})
target_link_libraries(stubcore PUBLIC winshared minizip_unzip)
foreach(t logic winshared stubcore)
  target_compile_options(${t} PRIVATE ${SMALL_COMPILE})
endforeach()

# Each program's manifest, without its comments and indentation: the same
# document in about 720 bytes instead of 1,080.
function(write_manifest in out)
  file(READ ${in} text)
  string(REGEX REPLACE "<!--([^-]|-[^-])*-->" "" text "${text}")
  string(REGEX REPLACE "[ \t\r\n]+" " " text "${text}")
  string(REPLACE "> <" "><" text "${text}")
  string(STRIP "${text}" text)
  file(CONFIGURE OUTPUT ${out} CONTENT "${text}\n" @ONLY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${in})
endfunction()
# The version of the setup programs (their version information and manifests).
set(TARN_VERSION_QUAD ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0)
string(REPLACE "." "," TARN_VERSION_COMMAS ${TARN_VERSION_QUAD})
write_manifest(${CMAKE_SOURCE_DIR}/startup/stub.manifest.in ${GENERATED}/stub.manifest)
write_manifest(${CMAKE_SOURCE_DIR}/uninstaller/uninstaller.manifest.in ${GENERATED}/uninstaller.manifest)
set(STUB_MANIFEST ${GENERATED}/stub.manifest)
set(UNINSTALLER_MANIFEST ${GENERATED}/uninstaller.manifest)

# The uninstaller comes first: the setup stub carries its bytes, deflated.
# The pair is also built for the tests with other sources in place of some
# of the product's (a restart that is only recorded), under a suffixed name.
function(add_setup_programs suffix)
  set(extra_sources ${ARGN})
  set(UNINSTALLER_FILE ${BIN}/Uninstaller${ARCH_SUFFIX}${suffix}.exe)
  configure_file(${CMAKE_SOURCE_DIR}/uninstaller/uninstaller.rc.in ${GENERATED}/uninstaller${suffix}.rc @ONLY)
  set_source_files_properties(${GENERATED}/uninstaller${suffix}.rc PROPERTIES
    OBJECT_DEPENDS "${ICON_FILE};${UNINSTALLER_MANIFEST}")
  add_executable(uninstaller${suffix} WIN32 ${CMAKE_SOURCE_DIR}/uninstaller/main.cpp ${uninstaller_files}
                 ${CMAKE_SOURCE_DIR}/common/heap_new.cpp ${CMAKE_SOURCE_DIR}/common/no_exceptions.cpp
                 ${GENERATED}/uninstaller${suffix}.rc ${extra_sources})
  add_dependencies(uninstaller${suffix} art)
  set_property(TARGET uninstaller${suffix} PROPERTY COMPILE_OPTIONS ${PROGRAM_OPTIONS})
  set_target_properties(uninstaller${suffix} PROPERTIES OUTPUT_NAME Uninstaller${ARCH_SUFFIX}${suffix})
  target_compile_options(uninstaller${suffix} PRIVATE ${SMALL_COMPILE})
  target_link_options(uninstaller${suffix} PRIVATE ${SMALL_LINK})
  set_target_properties(uninstaller${suffix} PROPERTIES LINK_DEPENDS "${SMALL_SCRIPT}")
  target_link_libraries(uninstaller${suffix} PRIVATE winshared)

  # The stub carries the uninstaller deflated (it inflates it when it writes it).
  set(UNINSTALLER_DEFLATED ${GENERATED}/Uninstaller${ARCH_SUFFIX}${suffix}.exe.z)
  add_custom_command(
    OUTPUT ${UNINSTALLER_DEFLATED}
    COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/deflate.py ${UNINSTALLER_FILE} ${UNINSTALLER_DEFLATED}
    DEPENDS uninstaller${suffix} ${CMAKE_SOURCE_DIR}/tools/deflate.py
    COMMENT "Deflating the uninstaller${suffix} for the setup stub")
  configure_file(${CMAKE_SOURCE_DIR}/startup/stub.rc.in ${GENERATED}/stub${suffix}.rc @ONLY)
  set_source_files_properties(${GENERATED}/stub${suffix}.rc PROPERTIES
    OBJECT_DEPENDS "${ICON_FILE};${UNINSTALLER_DEFLATED};${STUB_MANIFEST}")
  add_executable(stub${suffix} WIN32 ${CMAKE_SOURCE_DIR}/startup/main.cpp ${CMAKE_SOURCE_DIR}/common/heap_new.cpp
                 ${CMAKE_SOURCE_DIR}/common/no_exceptions.cpp ${GENERATED}/stub${suffix}.rc ${UNINSTALLER_DEFLATED}
                 ${extra_sources})
  add_dependencies(stub${suffix} uninstaller${suffix})
  set_property(TARGET stub${suffix} PROPERTY COMPILE_OPTIONS ${PROGRAM_OPTIONS})
  set_target_properties(stub${suffix} PROPERTIES OUTPUT_NAME tarnstub${ARCH_SUFFIX}${suffix})
  target_compile_options(stub${suffix} PRIVATE ${SMALL_COMPILE})
  target_link_options(stub${suffix} PRIVATE ${SMALL_LINK})
  set_target_properties(stub${suffix} PROPERTIES LINK_DEPENDS "${SMALL_SCRIPT}")
  target_link_libraries(stub${suffix} PRIVATE stubcore)

  # 32-bit: both programs import only what the allow-list names (functions
  # that Windows 95 and NT 3.51 export); the build fails on anything else.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(allow_list ${CMAKE_SOURCE_DIR}/cmake/imports-i686.txt)
    set(stamp ${GENERATED}/imports${suffix}.checked)
    add_custom_command(
      OUTPUT ${stamp}
      COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/check_imports.py ${allow_list} $<TARGET_FILE:uninstaller${suffix}>
              $<TARGET_FILE:stub${suffix}> --stamp ${stamp}
      DEPENDS uninstaller${suffix} stub${suffix} ${allow_list} ${CMAKE_SOURCE_DIR}/tools/check_imports.py
      COMMENT "Checking the imports of tarnstub${suffix}.exe and Uninstaller${suffix}.exe")
    add_custom_target(imports${suffix} ALL DEPENDS ${stamp})
  endif()
endfunction()

add_setup_programs("")

set_property(DIRECTORY PROPERTY COMPILE_OPTIONS -Wall -Wextra -D_WIN32_WINNT=0x0601 -DWINVER=0x0601)

# The package builder, also for Windows (the tests build packages with it).
list(TRANSFORM TARNPACK_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/ OUTPUT_VARIABLE tarnpack_files)
add_library(tarnpack_lib STATIC ${tarnpack_files} ${CMAKE_SOURCE_DIR}/tools/tarnpack/fs_win.cpp)
target_link_libraries(tarnpack_lib PUBLIC logic minizip_zip minizip_unzip libdeflate_compress)
add_executable(tarnpack ${CMAKE_SOURCE_DIR}/tools/tarnpack/main.cpp)
target_link_libraries(tarnpack PRIVATE tarnpack_lib)
target_compile_definitions(tarnpack PRIVATE TARN_VERSION="${PROJECT_VERSION}")
target_link_options(tarnpack PRIVATE -static)

# Shipped data beside the builder.
add_custom_target(data ALL
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/data ${BIN}/data
  COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/make_bitmaps.py ${BIN}/data/bitmaps)

include(${CMAKE_SOURCE_DIR}/tests/Windows.cmake)
include(${CMAKE_SOURCE_DIR}/bench/Windows.cmake)
