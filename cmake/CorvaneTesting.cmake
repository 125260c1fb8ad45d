enable_testing()
include(GoogleTest)

# Natively, Debian's prebuilt GoogleTest; cross builds compile it from the
# sources Debian ships, since no i686 Windows binaries of it exist.
if(CMAKE_CROSSCOMPILING)
  set(CORVANE_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH
      "GoogleTest's sources, built for the cross target (Debian's googletest package)")
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${CORVANE_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
  find_package(GTest REQUIRED)
endif()

# Gives the tests one gtest_discover_tests call found (its TEST_LIST
# variable, <target>_TESTS by default) the labels that follow. CMake 3.25
# flattens a list passed through gtest_discover_tests' PROPERTIES: "LABELS
# a;b" comes out as LABELS a plus a stray "b" that swallows the next
# property, so the label list is set from a file ctest reads after the
# test list instead. (Tests whose names hold "[" or "]" are not in the list.)
function(corvane_label_discovered_tests test_list)
  set(file "${CMAKE_CURRENT_BINARY_DIR}/${test_list}_labels.cmake")
  file(WRITE "${file}"
    "if(NOT \"\${${test_list}}\" STREQUAL \"\")\n"
    "  set_tests_properties(\${${test_list}} PROPERTIES LABELS \"${ARGN}\")\n"
    "endif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${file}")
endfunction()

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
  # NO_PRETTY_VALUES keeps parameterised test names stable between builds.
  gtest_discover_tests(${target}
    DISCOVERY_TIMEOUT 120
    NO_PRETTY_VALUES
    PROPERTIES TIMEOUT 600)
  corvane_label_discovered_tests(${target}_TESTS ${labels})
endfunction()
