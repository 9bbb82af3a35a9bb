cmake_minimum_required(VERSION 3.25)
# Fails unless LIBRARY (a DLL) exports exactly the four KX418 names,
# undecorated, and imports from Windows system DLLs only. OBJDUMP is the
# target's objdump.
execute_process(COMMAND ${OBJDUMP} -p ${LIBRARY}
                OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p failed on ${LIBRARY}")
endif()

# The name table: the lines "[   0] KX418_Close" after the line
# "[Ordinal/Name Pointer] Table", up to the first blank line.
string(REPLACE ";" "," listing "${listing}")
string(REPLACE "\n" ";" lines "${listing}")
set(names)
set(in_table FALSE)
foreach(line IN LISTS lines)
  if(line MATCHES "\\[Ordinal/Name Pointer\\] Table")
    set(in_table TRUE)
  elseif(in_table AND line MATCHES "^[ \t]*\\[ *[0-9]+\\] ([^ ]+)$")
    list(APPEND names "${CMAKE_MATCH_1}")
  elseif(in_table)
    set(in_table FALSE)
  endif()
endforeach()
list(SORT names)
set(expected KX418_Close KX418_Get_Reply KX418_Open KX418_Send_Cfg)
if(NOT names STREQUAL expected)
  message(FATAL_ERROR "exports of ${LIBRARY}: '${names}', expected '${expected}'")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${listing}")
set(system KERNEL32.dll msvcrt.dll HID.DLL SETUPAPI.dll USER32.dll ADVAPI32.dll)
string(TOLOWER "${system}" system)
foreach(import IN LISTS imports)
  string(REPLACE "DLL Name: " "" dll "${import}")
  string(TOLOWER "${dll}" lower)
  if(NOT lower IN_LIST system)
    message(FATAL_ERROR "${LIBRARY} imports ${dll}, which is no Windows system DLL")
  endif()
endforeach()
message(STATUS "exports: ${names}; ${imports}")
