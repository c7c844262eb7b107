# Read by ctest as it starts (a TEST_INCLUDE_FILES script): adds one test for
# each end-to-end scenario (TEST_F), so that each runs alone in a fresh Wine
# prefix and a new scenario runs without any list being edited. The program
# lists its scenarios itself, under Wine, once for each build of it.
# Where Wine cannot run it (a 32-bit program on a machine without 32-bit
# support, exit code e2e_skip_code) one test stands for all and is skipped.
# Set by the including script: e2e_emulator, e2e_program, e2e_list (the kept
# list), e2e_skip_code.
if(NOT EXISTS "${e2e_program}")
  add_test(e2e_tests_NOT_BUILT e2e_tests_NOT_BUILT)
  return()
endif()

if(NOT EXISTS "${e2e_list}" OR NOT "${e2e_list}" IS_NEWER_THAN "${e2e_program}")
  execute_process(COMMAND "${e2e_emulator}" "${e2e_program}" --gtest_list_tests
    OUTPUT_VARIABLE listing ERROR_VARIABLE errors RESULT_VARIABLE result TIMEOUT 300)
  if(result EQUAL e2e_skip_code)
    add_test(e2e "${e2e_emulator}" "${e2e_program}")
    set_tests_properties(e2e PROPERTIES LABELS "wine;e2e" SKIP_RETURN_CODE ${e2e_skip_code})
    return()
  endif()
  if(NOT result EQUAL 0)
    message(WARNING "The end-to-end scenarios could not be listed (${result}):\n${listing}${errors}")
    add_test(e2e.listing false)
    return()
  endif()
  # "Suite." lines, each followed by its "  Test" lines (Windows line ends).
  string(REPLACE "\r" "" listing "${listing}")
  string(REPLACE "\n" ";" lines "${listing}")
  set(suite "")
  set(scenarios "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^([A-Za-z0-9_]+)\\.$")
      set(suite "${CMAKE_MATCH_1}")
    elseif(line MATCHES "^  ([A-Za-z0-9_]+)$" AND suite)
      set(scenario "${suite}.${CMAKE_MATCH_1}")
      if(NOT scenario MATCHES "DISABLED_")
        list(APPEND scenarios "${scenario}")
      endif()
    endif()
  endforeach()
  file(WRITE "${e2e_list}" "${scenarios}")
endif()

file(READ "${e2e_list}" scenarios)
foreach(scenario IN LISTS scenarios)
  add_test("e2e.${scenario}" "${e2e_emulator}" "${e2e_program}" "--gtest_filter=${scenario}")
  set_tests_properties("e2e.${scenario}" PROPERTIES
    TIMEOUT 600 LABELS "wine;e2e" SKIP_RETURN_CODE ${e2e_skip_code})
endforeach()
