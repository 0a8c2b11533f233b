# Cross build for 64-bit Windows with Debian's mingw-w64: the same sources as the 32-bit
# build, with the structure sizes a 64-bit program passes. It runs under 64-bit Wine, which
# starts where the kernel runs no 32-bit program.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

# ctest runs Windows-built test programs under 64-bit Wine, called by path: /usr/bin/wine
# picks the 32-bit loader whenever wine32 is installed.
set(TOLVANE_WINE_ARCH win64)
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
