# Cross-compiles laifit for 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64-posix) and runs
# the tests under wine:
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DLAIFIT_BENCH=OFF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One executable without DLLs: the C++ runtime and winpthreads linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# Test programs (test discovery included) run under wine.
find_program(LAIFIT_WINE NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(LAIFIT_WINE NAMES wine64 wine)
if(LAIFIT_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${LAIFIT_WINE})
endif()
