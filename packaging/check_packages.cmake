# Makes the zip and the installer with CPack and checks them: the zip holds
# KX418.exe, kx418.dll, kx418.h and the README; the
# installer is there. Run with -DBINARY_DIR=... -DPACKAGE=... (the package
# path without its extension).
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
foreach(member KX418.exe kx418.dll kx418.h README.txt)
  string(REGEX MATCH "(^|/|\n)${member}(\n|$)" at "${listing}")
  if(NOT at)
    message(FATAL_ERROR "the zip lacks ${member}; it holds:\n${listing}")
  endif()
endforeach()
