enable_testing()
include(GoogleTest)

# Natively, Debian's prebuilt GoogleTest; cross builds compile it from the
# sources Debian ships, since no i686 Windows binaries of it exist.
if(CMAKE_CROSSCOMPILING)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
  find_package(GTest REQUIRED)
endif()

# Adds a GoogleTest program whose cases ctest lists one by one.
function(corvane_test target)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${target} ${ARG_SOURCES})
  corvane_warnings(${target})
  target_link_libraries(${target} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  set(labels ${ARG_LABELS})
  if(CMAKE_CROSSCOMPILING)
    list(APPEND labels wine)
  endif()
  gtest_discover_tests(${target}
    DISCOVERY_TIMEOUT 120
    PROPERTIES LABELS "${labels}" TIMEOUT 600)
endfunction()
