# kx418ctl.exe against the virtual module through wine's HID stack. Run by
# tools/wine-session module (nodes hidraw0, the module, and hidraw1, a
# foreign vendor), which sets KX418_MODULE_LOG to the module's log:
#   cmake -DPROGRAM=kx418ctl.exe -P kx418ctl_module.cmake
# `send 3 10 20` reaches the module exactly as `--dry-run` prints it and is
# acknowledged; `list` shows the module that can be opened and the foreign
# device.
if(NOT DEFINED ENV{KX418_MODULE_LOG})
  message(FATAL_ERROR "KX418_MODULE_LOG is not set: run this under tools/wine-session module")
endif()

# Runs kx418ctl.exe under wine; its output without Windows' line ends.
function(run_tool expected_exit out_var)
  execute_process(COMMAND wine ${PROGRAM} ${ARGN}
    RESULT_VARIABLE exit_code OUTPUT_VARIABLE out ERROR_VARIABLE err)
  string(REPLACE "\r" "" out "${out}")
  string(REPLACE "\r" "" err "${err}")
  if(NOT exit_code STREQUAL expected_exit)
    message(FATAL_ERROR "kx418ctl ${ARGN}: exit ${exit_code}, expected ${expected_exit}\n"
                        "stdout:\n${out}\nstderr:\n${err}")
  endif()
  message(STATUS "kx418ctl ${ARGN}:\n${out}${err}")
  set(${out_var} "${out}" PARENT_SCOPE)
endfunction()

run_tool(0 preview send --dry-run 3 10 20)
if(NOT preview MATCHES "report 1 of 1: (([0-9a-f][0-9a-f] ?)+)\n")
  message(FATAL_ERROR "no report line in the dry run:\n${preview}")
endif()
set(previewed "${CMAKE_MATCH_1}")

run_tool(0 sent send 3 10 20)
if(NOT sent STREQUAL "Die Einstellungen wurden abgeschickt!\n")
  message(FATAL_ERROR "send 3 10 20 said:\n${sent}")
endif()

# The module's log: one report on hidraw0, its raw bytes those previewed.
file(STRINGS $ENV{KX418_MODULE_LOG} reports REGEX "^hidraw0 report ")
list(LENGTH reports count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "the module logged ${count} reports, expected 1: ${reports}")
endif()
string(FIND "${reports}" " raw " raw)
math(EXPR raw "${raw} + 5")
string(SUBSTRING "${reports}" ${raw} -1 logged)
if(NOT logged STREQUAL previewed)
  message(FATAL_ERROR "the module received ${logged}, --dry-run printed ${previewed}")
endif()
if(NOT reports MATCHES "function 3 setting 0 time1 10000 ms time2 20000 ms")
  message(FATAL_ERROR "the module read another report: ${reports}")
endif()

run_tool(0 listed list)
if(NOT listed MATCHES "  2b5d:0418  KX418 \\(index 0\\)  can be opened\n")
  message(FATAL_ERROR "list shows no module that can be opened:\n${listed}")
endif()
if(NOT listed MATCHES "  1234:0418  other device  can be opened\n")
  message(FATAL_ERROR "list shows no foreign device:\n${listed}")
endif()
