# Runs a test command whose Windows programs run under Wine with heap checking
# on (cmake/wine-run.sh with KANADEYA_WINE_HEAP_ERRORS): fails when the
# command fails or when Wine reported any heap error in any program.
#   cmake -DERRORS=FILE -P wine-heap-check.cmake COMMAND [ARG...]
include(${CMAKE_CURRENT_LIST_DIR}/script-command.cmake)

file(WRITE "${ERRORS}" "")
set(ENV{KANADEYA_WINE_HEAP_ERRORS} "${ERRORS}")
execute_process(COMMAND ${command} RESULT_VARIABLE status)
file(READ "${ERRORS}" errors)
if(NOT errors STREQUAL "")
  message(FATAL_ERROR "Wine reported heap errors:\n${errors}")
endif()
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the tests failed under the heap check (${status})")
endif()
message(STATUS "no heap errors")
