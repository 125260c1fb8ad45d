# Settings every target of the Windows build shares, set once here so that
# no source file defines them and no two files disagree.
#
# _WIN32_WINNT 0x0601 (Windows 7): the headers declare the Vista/7 API that
# the optional paths load with GetProcAddress (TaskDialog,
# ChangeWindowMessageFilter and their types), but nothing newer, so a call to
# a Windows 8+ function cannot slip in unnoticed. It is also the version Wine
# reports by default, so the tests run against what the headers promise.
# mingw-w64 would otherwise default to 0x0A00 (Windows 10).
add_compile_definitions(
  _WIN32_WINNT=0x0601
  WINVER=0x0601
  # windows.h would otherwise define min/max macros that break std::min/max.
  NOMINMAX
  # Leaves out winsock, OLE and the like: faster builds, fewer name clashes.
  WIN32_LEAN_AND_MEAN
  # Distinct handle types, so passing an HWND where an HDC belongs fails to compile.
  STRICT)
