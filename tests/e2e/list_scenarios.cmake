# Run at build time (cmake -P): writes the list of end-to-end scenarios, one
# "Suite.Name" for each TEST_F in the scenario sources, so that ctest finds
# them without starting Wine. A scenario the list names but the program lacks
# fails its test ("Running 0 tests"), so the list cannot drift unseen.
# Set on the command line: OUTPUT (the list), SOURCES (";"-separated).
set(scenarios "")
foreach(source IN LISTS SOURCES)
  file(STRINGS "${source}" lines REGEX "^TEST_F\\(")
  foreach(line IN LISTS lines)
    if(line MATCHES "^TEST_F\\(([A-Za-z0-9_]+), *([A-Za-z0-9_]+)\\)")
      set(scenario "${CMAKE_MATCH_1}.${CMAKE_MATCH_2}")
      if(NOT scenario MATCHES "DISABLED_")
        list(APPEND scenarios "${scenario}")
      endif()
    endif()
  endforeach()
endforeach()
list(SORT scenarios)
# Written only when it changes, so that ctest's view of the list stays put.
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
  if(old STREQUAL "${scenarios}")
    return()
  endif()
endif()
file(WRITE "${OUTPUT}" "${scenarios}")
