# Cross build for 32-bit Windows with Debian's mingw-w64. The posix thread model gives
# std::thread and std::mutex; linked statically they add no DLL to the program.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

include(${CMAKE_CURRENT_LIST_DIR}/i686-doubles.cmake)
# Windows calls a 32-bit window procedure, dialog procedure or dial-event function with its
# stack aligned to 4 bytes only; without this the SSE2 code may assume 16 and fault on an
# aligned move. Neither Wine nor the 64-bit build would show it. Keeping the same 4 bytes in
# our own calls (the preferred boundary) makes a function realign only where a value needs
# more: the program comes out smaller than with 16, where every SSE2 function would realign.
set(i686_stack_flags "-mincoming-stack-boundary=2 -mpreferred-stack-boundary=2")
set(CMAKE_C_FLAGS_INIT "${TOLVANE_DOUBLE_FLAGS} ${i686_stack_flags}")
set(CMAKE_CXX_FLAGS_INIT "${TOLVANE_DOUBLE_FLAGS} ${i686_stack_flags}")

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

# ctest runs Windows-built test programs under 32-bit Wine, its loader called by path (natively
# where the kernel runs 32-bit programs, otherwise inside the emulated machine of tools/vm32.sh).
set(TOLVANE_WINE_ARCH win32)
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine)
