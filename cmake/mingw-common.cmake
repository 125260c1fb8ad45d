# Shared by the MinGW-w64 toolchain files; each sets CMAKE_SYSTEM_PROCESSOR,
# CORVANE_MINGW_TRIPLET and CORVANE_WINE_LOADER first.
set(CMAKE_SYSTEM_NAME Windows)

# The -posix variants: the default -win32 thread model has no std::thread or
# std::mutex, which GoogleTest and the conversion job both need.
set(CMAKE_C_COMPILER   ${CORVANE_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CORVANE_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER  ${CORVANE_MINGW_TRIPLET}-windres)

# Libraries built for this target outside the tree (libjpeg, minizip, expat, libxml2) are found through
# this list: with the find modes below, CMAKE_PREFIX_PATH would be re-rooted
# under /usr/<triplet> and a CMAKE_FIND_ROOT_PATH given on the command
# line would be replaced by the set() here.
set(MINGW_EXTRA_ROOTS "${MINGW_EXTRA_ROOTS}" CACHE STRING
  "Extra install prefixes holding libraries built for ${CORVANE_MINGW_TRIPLET}")
# try_compile projects read this file again and must see the same roots.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES MINGW_EXTRA_ROOTS)
set(CMAKE_FIND_ROOT_PATH /usr/${CORVANE_MINGW_TRIPLET} ${MINGW_EXTRA_ROOTS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# ctest, gtest discovery and try_run start the programs through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CORVANE_WINE_LOADER})

# -static: no libstdc++/libgcc/winpthread DLLs beside the programs (a missing
# DLL makes Wine exit with code 53 and no message).
set(CMAKE_EXE_LINKER_FLAGS_INIT    "-static ${CORVANE_MINGW_EXE_LINKER_FLAGS}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# Static libraries only: Debian's MinGW zlib also ships an import library
# (libz.dll.a), which FindZLIB would otherwise prefer, and the converter
# library would then need zlib1.dll beside it.
set(ZLIB_USE_STATIC_LIBS ON)
