# Warnings and sanitizers for every target of the suite.
# hg_target_defaults(<target>) applies the warnings; the sanitizers are global
# so that libraries, tests and Qt-generated code agree on the runtime.

if(HG_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

if(HG_FUZZ)
  # Libraries built for fuzzing carry coverage instrumentation and ASan/UBSan.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(HG_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

# The leak checker's defaults (the third-party leaks it must not report) are
# compiled into every executable of a sanitizer or fuzzing build: test
# programs, fuzzers, the helper programs that tests start, and the programs
# that run at build time (artwork rendering, test discovery). The runtime
# reads them only from the executable itself, and an environment variable
# would not reach a plain "ctest" or the build.
# A fuzzer that links Qt takes the variant with full stacks instead (see
# SanitizerDefaults.cpp and hg_add_fuzzer).
if(HG_SANITIZE OR HG_FUZZ)
  add_library(hg_sanitizer_defaults OBJECT ${CMAKE_CURRENT_LIST_DIR}/SanitizerDefaults.cpp)
  add_library(hg_sanitizer_full_stacks OBJECT ${CMAKE_CURRENT_LIST_DIR}/SanitizerDefaults.cpp)
  target_compile_definitions(hg_sanitizer_full_stacks PRIVATE HG_SANITIZER_FULL_STACKS)
  link_libraries("$<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>:$<IF:$<BOOL:$<TARGET_PROPERTY:HG_FULL_STACKS>>,hg_sanitizer_full_stacks,hg_sanitizer_defaults>>")
endif()

function(hg_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
endfunction()

# hg_add_test(<name> SOURCES ... LIBS ... [LABELS ...] [SERIAL])
# One GoogleTest executable, discovered by CTest. Tests run offscreen. A test
# program made otherwise links hg_test_guard itself.
# SERIAL: its tests run alone, not beside the rest of a parallel ctest (they
# judge real-time playback and bring their own CPU load).
function(hg_add_test name)
  cmake_parse_arguments(ARG "SERIAL" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  hg_target_defaults(${name})
  # The guard of testsupport/TestProcessGuard.cpp: nothing the test starts
  # outlives it, not even at CTest's time-out.
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest Threads::Threads hg_test_guard)
  set(props ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  if(ARG_LABELS)
    list(APPEND props LABELS "${ARG_LABELS}")
  endif()
  if(ARG_SERIAL)
    list(APPEND props RUN_SERIAL TRUE)
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${props})
endfunction()

# Tests that also run under ThreadSanitizer join this target; the TSan stage of
# scripts/test.sh builds only it and runs the tests labelled "tsan".
if(NOT TARGET tsan_tests)
  add_custom_target(tsan_tests)
endif()

# hg_add_fuzzer(<name> SOURCES ... LIBS ...)
# A libFuzzer executable in <build>/fuzzers; the fuzz stage runs each for a
# bounded time, seeded from <build>/seeds/<name> when that folder exists.
if(NOT TARGET fuzzers)
  add_custom_target(fuzzers)
endif()
function(hg_add_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  hg_target_defaults(${name})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzzers)
  add_dependencies(fuzzers ${name})
  # Decided once every library's links are known, at the end of configuring
  # (a deferred call's arguments are read only then, hence the EVAL).
  cmake_language(EVAL CODE
    "cmake_language(DEFER DIRECTORY [[${CMAKE_SOURCE_DIR}]] CALL _hg_full_stacks_if_qt [[${name}]])")
endfunction()

# Full stacks cost a fuzzer much of its speed, so only fuzzers that link Qt
# (directly or through a library) take them.
function(_hg_full_stacks_if_qt name)
  set(queue ${name})
  set(seen "")
  while(queue)
    list(POP_FRONT queue item)
    string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" item "${item}")
    if(item MATCHES "^Qt5::")
      set_target_properties(${name} PROPERTIES HG_FULL_STACKS ON)
      return()
    endif()
    if(NOT TARGET ${item} OR item IN_LIST seen)
      continue()
    endif()
    list(APPEND seen ${item})
    get_target_property(imported ${item} IMPORTED)
    get_target_property(links ${item} INTERFACE_LINK_LIBRARIES)
    if(links)
      list(APPEND queue ${links})
    endif()
    if(NOT imported)
      get_target_property(links ${item} LINK_LIBRARIES)
      if(links)
        list(APPEND queue ${links})
      endif()
    endif()
  endwhile()
endfunction()
