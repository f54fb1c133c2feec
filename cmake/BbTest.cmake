# bb_add_test(name SOURCES ... LIBS ... [QT] [BUS] [RUNS run...] [NEEDS target...])
# One GoogleTest executable registered with ctest.
#   By default each test is its own ctest entry, offscreen.
#   QT: the program makes one Qt application for all its tests (its own main)
#       and runs as one ctest entry.
#   BUS: as QT, on a private session bus of its own.
#   RUNS: the ctest entries of a QT program, one run each (default: its name);
#       the caller sets their properties.
#   NEEDS: programs the tests start, as NAME=target; BB_<NAME>_EXE gives each
#       one's path.
function(bb_add_test name)
  if(NOT BB_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "QT;BUS" "" "SOURCES;LIBS;RUNS;NEEDS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
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
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
      PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
    return()
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
  endforeach()
endfunction()
