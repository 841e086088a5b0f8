# Cross build for Windows with mingw-w64, for one architecture:
#   -DTARN_ARCH=i686     32-bit (the default product)
#   -DTARN_ARCH=x86_64   64-bit
# Posix thread model: GoogleTest needs std::mutex, which the win32 model lacks.
if(NOT TARN_ARCH)
  set(TARN_ARCH i686)
endif()
if(NOT TARN_ARCH MATCHES "^(i686|x86_64)$")
  message(FATAL_ERROR "TARN_ARCH must be i686 or x86_64, not ${TARN_ARCH}")
endif()
# Compiler checks run in builds of their own, which must see the choice too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TARN_ARCH)

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${TARN_ARCH})
set(triple ${TARN_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
