# Fails unless LIBRARY (a DLL) exports exactly the four KX418 names,
# undecorated, and imports from Windows system DLLs only. OBJDUMP is the
# target's objdump.
execute_process(COMMAND ${OBJDUMP} -p ${LIBRARY}
                OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p failed on ${LIBRARY}")
endif()

# The name table: "\t[   0] +base[   1] 0000 KX418_Close" lines after
# "[Ordinal/Name Pointer] Table".
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table[^\n]*\n(([^\n]*\\[[^\n]*\n)*)" table "${listing}")
string(REGEX MATCHALL "\\] [^ \n]+\n" rows "${CMAKE_MATCH_1}")
set(names)
foreach(row IN LISTS rows)
  string(REGEX REPLACE "^\\] ([^ \n]+)\n$" "\\1" name "${row}")
  list(APPEND names "${name}")
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
