# Checks the installer executable's PE header: it imports system libraries
# only (no MinGW runtime or other library beside it) and carries no
# timestamp, so that the same sources and payload give the same bytes.
#   cmake -DOBJDUMP=... -DEXE=... -P check_installer_pe.cmake
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE header RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${EXE}")
endif()

# Libraries that Windows loads from the system folder (or, for the common
# controls, from the side-by-side store the manifest names).
set(system_libraries advapi32 comctl32 gdi32 kernel32 msvcrt ntdll ole32 oleaut32 psapi shell32 shlwapi user32 version ws2_32)

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${header}")
if(NOT imports)
  message(FATAL_ERROR "no imports found in ${EXE}")
endif()
foreach(line IN LISTS imports)
  string(REGEX REPLACE "DLL Name: ([^.]+)\\.[dD][lL][lL].*" "\\1" name "${line}")
  string(TOLOWER "${name}" name)
  if(NOT name IN_LIST system_libraries)
    message(FATAL_ERROR "${EXE} imports ${line}, which is not a system library")
  endif()
endforeach()

string(REGEX MATCH "Time/Date[ \t]+([^\n]+)" stamp "${header}")
set(stamp "${CMAKE_MATCH_1}")
if(NOT stamp MATCHES "1970")
  message(FATAL_ERROR "${EXE} carries a timestamp: ${stamp}")
endif()
