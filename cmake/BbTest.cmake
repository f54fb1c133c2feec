# bb_add_test(name SOURCES ... LIBS ... LABELS ... [QT] [BUS] [TIMEOUT s] [RUNS run...]
#             [NEEDS target...])
# One GoogleTest executable registered with ctest.
#   By default each test is its own ctest entry, offscreen, with a limit of
#   60 s; a QT or BUS program is one entry with a limit of 300 s. TIMEOUT
#   sets another limit (seconds, per entry).
#   LABELS: what the tests touch, for `ctest -L` (the comma-locale reruns run
#       `numbers`): numbers (reads or writes numbers or texts a locale
#       changes), windows, bus, files, radio, network, time.
#   QT: the program makes one Qt application for all its tests (its own main)
#       and runs as one ctest entry.
#   BUS: as QT, on a private session bus of its own.
#   RUNS: the ctest entries of a QT program, one run each (default: its name);
#       the caller sets their other properties.
#   NEEDS: programs the tests start, as NAME=target; BB_<NAME>_EXE gives each
#       one's path.
# Compile options for the tests' own code, not the code under test: the test
# command builds it without optimisation or debug information, which nearly
# halves its compile time and changes nothing it checks.
set(BB_TEST_CODE_OPTIONS "" CACHE STRING "Compile options for the tests' own sources")

function(bb_add_test name)
  if(NOT BB_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "QT;BUS" "TIMEOUT" "SOURCES;LIBS;RUNS;NEEDS;LABELS" ${ARGN})
  if(NOT T_LABELS)
    message(FATAL_ERROR "bb_add_test(${name}): say what it touches with LABELS")
  endif()
  add_executable(${name} ${T_SOURCES})
  target_compile_options(${name} PRIVATE ${BB_TEST_CODE_OPTIONS})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  # The shipped data files, for tests that check them.
  target_compile_definitions(${name} PRIVATE BB_SOURCE_DATA="${CMAKE_SOURCE_DIR}/data")
  foreach(need ${T_NEEDS})
    string(REPLACE "=" ";" need ${need})
    list(GET need 0 macro)
    list(GET need 1 program)
    target_compile_definitions(${name} PRIVATE BB_${macro}_EXE="$<TARGET_FILE:${program}>")
    add_dependencies(${name} ${program})
  endforeach()
  if(NOT T_QT AND NOT T_BUS)
    if(NOT T_TIMEOUT)
      set(T_TIMEOUT 60)
    endif()
    target_link_libraries(${name} PRIVATE ${T_LIBS} bb_test_main)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
      PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT ${T_TIMEOUT})
    # The discovery passes its properties on as plain words, which a list of
    # labels does not survive: a script read after it labels what it found.
    set(script ${CMAKE_CURRENT_BINARY_DIR}/${name}_labels.cmake)
    file(WRITE ${script} "if(${name}_TESTS)\n"
      "  set_tests_properties(\${${name}_TESTS} PROPERTIES LABELS \"${T_LABELS}\")\n"
      "endif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${script})
    return()
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  target_link_libraries(${name} PRIVATE ${T_LIBS} bb_qt_test_main GTest::gmock Qt6::Test)
  if(NOT T_RUNS)
    set(T_RUNS ${name})
  endif()
  foreach(run ${T_RUNS})
    if(T_BUS)
      add_test(NAME ${run} COMMAND dbus-run-session -- $<TARGET_FILE:${name}>)
    else()
      add_test(NAME ${run} COMMAND ${name})
    endif()
    set_tests_properties(${run} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}")
  endforeach()
endfunction()

# bb_test_limits(name... TIMEOUT s LABELS ...): the same limit and labels for
# entries made without bb_add_test (benchmarks, scripts).
function(bb_test_limits)
  if(NOT BB_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "" "TIMEOUT" "LABELS" ${ARGN})
  set_tests_properties(${T_UNPARSED_ARGUMENTS} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}")
endfunction()
