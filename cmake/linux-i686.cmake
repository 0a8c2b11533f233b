# The core and its unit tests built for 32-bit Linux with the shipped program's arithmetic:
# the same compiler family, i686 code, 32-bit size_t and the same floating-point flags as
# Tolvane.exe, so the tests see what the program computes. A kernel that runs no 32-bit
# program gets them run through qemu's user-mode emulation.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)

include(${CMAKE_CURRENT_LIST_DIR}/i686-doubles.cmake)
# 64-bit times and file offsets, as the Windows build has them (its _time64 and file calls).
set(linux_i686_flags "-m32 ${TOLVANE_DOUBLE_FLAGS} -D_TIME_BITS=64 -D_FILE_OFFSET_BITS=64")
set(CMAKE_C_FLAGS_INIT "${linux_i686_flags}")
set(CMAKE_CXX_FLAGS_INIT "${linux_i686_flags}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)

# The 64-bit libraries of the host are no use here; GoogleTest is built from its sources.
set(TOLVANE_GTEST_FROM_SOURCE ON)

execute_process(COMMAND /lib/ld-linux.so.2 --version RESULT_VARIABLE runs_natively OUTPUT_QUIET ERROR_QUIET)
if(NOT runs_natively EQUAL 0)
  find_program(TOLVANE_QEMU_I386 qemu-i386-static REQUIRED)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TOLVANE_QEMU_I386})
endif()
