# Cross toolchain for the 32-bit Windows build (Debian's MinGW-w64 i686).
#   cmake --preset win32
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DMINGW_EXTRA_ROOTS=<prefix>;<prefix> ...
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CORVANE_MINGW_TRIPLET i686-w64-mingw32)
set(CORVANE_WINE_LOADER wine)
# --large-address-aware: a 32-bit process then gets 4 GB of address space on
# 64-bit Windows instead of 2 GB.
set(CORVANE_MINGW_EXE_LINKER_FLAGS "-Wl,--large-address-aware")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
