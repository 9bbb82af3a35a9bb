# Makes the zip and the installer with CPack and checks them: the zip holds
# exactly the files of LIST (tests/package/KX418-win64.zip.list) in its one
# folder, the programs and the library without debugging information, and
# README.txt with Windows line ends; the installer is there. Run with
# -DBINARY_DIR=... -DPACKAGE=... (the package path without its extension)
# -DOBJDUMP=... (the target's objdump) -DLIST=....
execute_process(COMMAND ${CMAKE_CPACK_COMMAND} -G "ZIP;NSIS" WORKING_DIRECTORY ${BINARY_DIR}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cpack failed:\n${out}")
endif()
foreach(file ${PACKAGE}.zip ${PACKAGE}.exe)
  if(NOT EXISTS ${file})
    message(FATAL_ERROR "no package ${file}:\n${out}")
  endif()
  file(SIZE ${file} size)
  message(STATUS "${file}: ${size} bytes")
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf ${PACKAGE}.zip OUTPUT_VARIABLE listing)
get_filename_component(folder ${PACKAGE} NAME)
string(REGEX REPLACE "(^|\n)${folder}/" "\\1" members "${listing}")
string(REGEX REPLACE "\n$" "" members "${members}")
string(REPLACE "\n" ";" members "${members}")
list(REMOVE_ITEM members "")
list(SORT members)
file(STRINGS ${LIST} expected)
list(SORT expected)
if(NOT members STREQUAL expected)
  message(FATAL_ERROR "the zip holds other files than ${LIST} names: ${members}; the zip:\n${listing}")
endif()

set(unpacked ${BINARY_DIR}/package-check)
file(REMOVE_RECURSE ${unpacked})
file(MAKE_DIRECTORY ${unpacked})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${PACKAGE}.zip WORKING_DIRECTORY ${unpacked})
foreach(member KX418.exe kx418ctl.exe kx418.dll)
  execute_process(COMMAND ${OBJDUMP} -h ${unpacked}/${folder}/${member} OUTPUT_VARIABLE sections RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0 OR sections MATCHES "[ \t]\\.debug_")
    message(FATAL_ERROR "the zip's ${member} carries debugging information:\n${sections}")
  endif()
endforeach()
# Every line of README.txt ends in CR LF (read as hexadecimal, since a
# CMake string would not keep the CR; in plain ASCII text 0a and 0d0a lie
# on byte boundaries only).
file(READ ${unpacked}/${folder}/README.txt readme HEX)
string(REGEX MATCHALL "0a" line_ends "${readme}")
string(REGEX MATCHALL "0d0a" windows_line_ends "${readme}")
list(LENGTH line_ends lines)
list(LENGTH windows_line_ends windows_lines)
if(lines EQUAL 0 OR NOT lines EQUAL windows_lines)
  message(FATAL_ERROR "the zip's README.txt has ${lines} lines, ${windows_lines} of them ending in CR LF")
endif()
file(REMOVE_RECURSE ${unpacked})
