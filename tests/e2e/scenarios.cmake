# Read by ctest as it starts (a TEST_INCLUDE_FILES script): adds one test for
# each end-to-end scenario (TEST_F), so that each runs alone in a fresh Wine
# prefix and a new scenario runs without any list being edited. The list is
# written at build time from the scenario sources (list_scenarios.cmake):
# nothing runs under Wine here.
# Where Wine cannot run the program (a 32-bit program on a machine without
# 32-bit support) it ends with e2e_skip_code, and each test is skipped.
# Set by the including script: e2e_emulator, e2e_program, e2e_list,
# e2e_skip_code.
if(NOT EXISTS "${e2e_program}" OR NOT EXISTS "${e2e_list}")
  add_test(e2e_tests_NOT_BUILT e2e_tests_NOT_BUILT)
  return()
endif()

file(READ "${e2e_list}" scenarios)
foreach(scenario IN LISTS scenarios)
  add_test("e2e.${scenario}" "${e2e_emulator}" "${e2e_program}" "--gtest_filter=${scenario}")
  set_tests_properties("e2e.${scenario}" PROPERTIES
    TIMEOUT 600 LABELS "wine;e2e" SKIP_RETURN_CODE ${e2e_skip_code}
    FAIL_REGULAR_EXPRESSION "Running 0 tests")
endforeach()
