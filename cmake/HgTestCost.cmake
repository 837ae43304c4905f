# hg_test_cost(<target> <cost> [MATCHING <regex>] [TIMEOUT <seconds>])
# Gives the tests that gtest_discover_tests found in <target> (those whose
# names match <regex>; all when it is left out) the CTest COST <cost>, about
# their seconds on a loaded machine. A tree that has no timings of its own
# yet (CTestCostData.txt) then starts these long tests first, instead of
# leaving them for the tail of a parallel run; once it has timings, those win.
# TIMEOUT: their own time limit, above the one ctest is given for all tests,
# for work that a busy machine stretches beyond that.
# Call it in the folder that discovers the target's tests, after that.
include_guard(GLOBAL)

function(hg_test_cost target cost)
  cmake_parse_arguments(ARG "" "MATCHING;TIMEOUT" "" ${ARGN})
  if(NOT ARG_MATCHING)
    set(ARG_MATCHING ".")
  endif()
  set(properties "COST ${cost}")
  if(ARG_TIMEOUT)
    string(APPEND properties " TIMEOUT ${ARG_TIMEOUT}")
  endif()
  # Read by ctest after the discovered tests, whose names the discovery
  # leaves in <target>_TESTS.
  set(file "${CMAKE_CURRENT_BINARY_DIR}/${target}_cost.cmake")
  file(WRITE "${file}"
    "foreach(test IN LISTS ${target}_TESTS)\n"
    "  if(test MATCHES [==[${ARG_MATCHING}]==])\n"
    "    set_tests_properties(\"\${test}\" PROPERTIES ${properties})\n"
    "  endif()\n"
    "endforeach()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${file}")
endfunction()
