# Cross toolchain: Debian's MinGW-w64 (posix threads) for 32-bit Windows (x86).
set(CMAKE_SYSTEM_PROCESSOR X86)
set(triple i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
