# Assembles the sample payload: OUT/setupdir (the installation folder) and
# OUT/windir (the system folder), then touches OUT/.stamp.
#   cmake -DSOURCE=samples -DOUT=dir -DSTUB=tolvane-stub.exe
#         -DCONTROL=tolvane-stubctl.dll -DQVAPACK=qvapack -P assemble.cmake
cmake_minimum_required(VERSION 3.25)

foreach(var SOURCE OUT STUB CONTROL QVAPACK)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "assemble.cmake: ${var} is not set")
  endif()
endforeach()
if(NOT EXISTS "${QVAPACK}")
  message(FATAL_ERROR "The packer ${QVAPACK} does not exist: build the host first (scripts/build host)")
endif()

include(${SOURCE}/layout.cmake)

set(setupdir ${OUT}/setupdir)
set(windir ${OUT}/windir)
file(REMOVE_RECURSE ${setupdir} ${windir} ${OUT}/.stamp)
file(MAKE_DIRECTORY ${OUT})
file(COPY ${SOURCE}/payload/setupdir ${SOURCE}/payload/windir DESTINATION ${OUT})

function(place_copy source target)
  get_filename_component(folder ${target} DIRECTORY)
  file(MAKE_DIRECTORY ${folder})
  file(COPY_FILE ${source} ${target} ONLY_IF_DIFFERENT)
endfunction()

foreach(name IN LISTS SAMPLE_PROGRAMS)
  place_copy(${STUB} ${setupdir}/${name})
endforeach()
foreach(name IN LISTS SAMPLE_CONTROLS)
  place_copy(${CONTROL} ${setupdir}/${name})
endforeach()
foreach(name IN LISTS SAMPLE_SYSTEM_LIBRARIES)
  place_copy(${CONTROL} ${windir}/${name})
endforeach()

# Registry files: REGEDIT4 text in code page 936 with CRLF line ends.
file(MAKE_DIRECTORY ${setupdir}/Reg)
function(write_reg file variant base)
  set(text "REGEDIT4\r\n\r\n[${SAMPLE_REG_KEY}]\r\n\"${file}\"=\"${variant}\"\r\n")
  if(NOT variant STREQUAL "-")
    # The variants differ in a Chinese value too.
    string(APPEND text "\r\n[${SAMPLE_REG_PLATFORM_KEY}\\${base}]\r\n\"位数\"=\"${variant}位系统\"\r\n")
  endif()
  if(file STREQUAL "reg.reg")
    string(APPEND text "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\TolvaneSample\\产品]\r\n"
                       "\"名称\"=\"Halvor数字证书和电子签章客户端\"\r\n")
  endif()
  file(WRITE ${OUT}/reg.utf8 "${text}")
  execute_process(COMMAND iconv -f UTF-8 -t GBK ${OUT}/reg.utf8
                  OUTPUT_FILE ${setupdir}/Reg/${file} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "iconv failed on ${file}")
  endif()
  file(REMOVE ${OUT}/reg.utf8)
endfunction()
foreach(base IN LISTS SAMPLE_REG_VARIANTS)
  write_reg("${base} 32.reg" 32 "${base}")
  write_reg("${base} 64.reg" 64 "${base}")
endforeach()
foreach(file IN LISTS SAMPLE_REG_PLAIN)
  write_reg("${file}" "-" "")
endforeach()

# The list of the system container's files, for the next installation's cleanup.
execute_process(COMMAND ${QVAPACK} sysdir-hash ${windir} ${setupdir}/sysdir.hash RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "qvapack sysdir-hash failed")
endif()

file(TOUCH ${OUT}/.stamp)
