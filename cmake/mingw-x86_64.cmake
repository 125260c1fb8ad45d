# Cross toolchain for the 64-bit test flavour of the Windows build (Debian's
# MinGW-w64 x86_64). The product is 32-bit; this flavour exists so that the
# Windows tests can run where the kernel cannot execute 32-bit programs.
#   cmake --preset win64
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CORVANE_MINGW_TRIPLET x86_64-w64-mingw32)
# /usr/bin/wine picks the 32-bit loader whenever it is installed.
set(CORVANE_WINE_LOADER /usr/lib/wine/wine64)
set(CORVANE_MINGW_EXE_LINKER_FLAGS "")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
