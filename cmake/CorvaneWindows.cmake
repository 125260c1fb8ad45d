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

# The export list for a converter library: the .def file as written, which
# maps the interface's undecorated names onto the 32-bit __stdcall symbols
# (Name@n), or for x64 (one calling convention, no decoration) the same list
# without those mappings. Sets out_var to the file to build with.
function(corvane_export_list out_var def_file)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    file(READ ${def_file} exports)
    string(REGEX REPLACE " = [A-Za-z0-9_]+@[0-9]+" "" exports "${exports}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${def_file})
    get_filename_component(name ${def_file} NAME)
    set(def_file ${CMAKE_CURRENT_BINARY_DIR}/${name})
    file(CONFIGURE OUTPUT ${def_file} CONTENT "${exports}" @ONLY)
  endif()
  set(${out_var} ${def_file} PARENT_SCOPE)
endfunction()
