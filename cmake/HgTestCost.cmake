# hg_test_cost(<target> <cost> [MATCHING <regex>])
# Gives the tests that gtest_discover_tests found in <target> (those whose
# names match <regex>; all when it is left out) the CTest COST <cost>, about
# their seconds on a loaded machine. A tree that has no timings of its own
# yet (CTestCostData.txt) then starts these long tests first, instead of
# leaving them for the tail of a parallel run; once it has timings, those win.
# Call it in the folder that discovers the target's tests, after that.
include_guard(GLOBAL)

function(hg_test_cost target cost)
  cmake_parse_arguments(ARG "" "MATCHING" "" ${ARGN})
  if(NOT ARG_MATCHING)
    set(ARG_MATCHING ".")
  endif()
  # Read by ctest after the discovered tests, whose names the discovery
  # leaves in <target>_TESTS.
  set(file "${CMAKE_CURRENT_BINARY_DIR}/${target}_cost.cmake")
  file(WRITE "${file}"
    "foreach(test IN LISTS ${target}_TESTS)\n"
    "  if(test MATCHES [==[${ARG_MATCHING}]==])\n"
    "    set_tests_properties(\"\${test}\" PROPERTIES COST ${cost})\n"
    "  endif()\n"
    "endforeach()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${file}")
endfunction()
