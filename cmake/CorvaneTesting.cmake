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

# Adds a GoogleTest program whose cases ctest lists one by one:
#   corvane_test(<target> SOURCES <file>... [LIBS <library>...]
#                [DEPENDS <target>...] <what corvane_discover_tests takes>)
# DEPENDS names targets the tests run (programs, libraries they load) that
# the program does not link.
function(corvane_test target)
  cmake_parse_arguments(ARG "PRETTY_VALUES" "TIMEOUT;TEST_FILTER;TEST_LIST"
    "SOURCES;LIBS;DEPENDS;LABELS;PROPERTIES" ${ARGN})
  add_executable(${target} ${ARG_SOURCES})
  corvane_warnings(${target})
  target_link_libraries(${target} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  if(ARG_DEPENDS)
    add_dependencies(${target} ${ARG_DEPENDS})
  endif()
  set(discovery LABELS ${ARG_LABELS} PROPERTIES ${ARG_PROPERTIES})
  foreach(option TIMEOUT TEST_FILTER TEST_LIST)
    if(DEFINED ARG_${option})
      list(APPEND discovery ${option} "${ARG_${option}}")
    endif()
  endforeach()
  if(ARG_PRETTY_VALUES)
    list(APPEND discovery PRETTY_VALUES)
  endif()
  corvane_discover_tests(${target} ${discovery})
endfunction()

# Lists a GoogleTest program's cases for ctest:
#   corvane_discover_tests(<target> [LABELS <label>...] [TIMEOUT <seconds>]
#                          [PROPERTIES <name> <value>...]
#                          [TEST_FILTER <filter> TEST_LIST <name>] [PRETTY_VALUES])
# Cross builds add the label "wine". TIMEOUT is 600 s unless given.
# PROPERTIES are more ctest properties of every case, each with one value
# (labels go in LABELS). A program whose cases need different properties is
# listed once per TEST_FILTER, each with a TEST_LIST name of its own.
# Parameterised names end in the parameter's index, stable between builds,
# unless PRETTY_VALUES asks for the printed value.
function(corvane_discover_tests target)
  cmake_parse_arguments(ARG "PRETTY_VALUES" "TIMEOUT;TEST_FILTER;TEST_LIST"
    "LABELS;PROPERTIES" ${ARGN})
  set(labels ${ARG_LABELS})
  if(CMAKE_CROSSCOMPILING)
    list(APPEND labels wine)
  endif()
  if(NOT DEFINED ARG_TIMEOUT)
    set(ARG_TIMEOUT 600)
  endif()
  if(NOT DEFINED ARG_TEST_LIST)
    set(ARG_TEST_LIST ${target}_TESTS)
  endif()
  set(options)
  if(NOT ARG_PRETTY_VALUES)
    list(APPEND options NO_PRETTY_VALUES)
  endif()
  if(DEFINED ARG_TEST_FILTER)
    list(APPEND options TEST_FILTER "${ARG_TEST_FILTER}")
  endif()
  gtest_discover_tests(${target}
    TEST_LIST ${ARG_TEST_LIST}
    DISCOVERY_TIMEOUT 120
    ${options}
    PROPERTIES TIMEOUT ${ARG_TIMEOUT} ${ARG_PROPERTIES})
  corvane_label_discovered_tests(${ARG_TEST_LIST} ${labels})
endfunction()
