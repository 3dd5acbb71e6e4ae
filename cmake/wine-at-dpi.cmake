# Runs a test command under Wine at another display DPI: in a fresh copy of
# the Wine prefix (WINEPREFIX, else ~/.wine) whose LogPixels is set to DPI,
# so that the tests beside it keep their prefix at 96. The copy's wineserver
# is ended and the copy removed afterwards.
#   cmake -DDPI=144 -DPREFIX=FOLDER -DWINE_RUN=cmake/wine-run.sh -P wine-at-dpi.cmake
#         COMMAND [ARG...]
include(${CMAKE_CURRENT_LIST_DIR}/script-command.cmake)

if(DEFINED ENV{WINEPREFIX} AND NOT "$ENV{WINEPREFIX}" STREQUAL "")
  set(source "$ENV{WINEPREFIX}")
else()
  set(source "$ENV{HOME}/.wine")
endif()
if(NOT EXISTS "${source}/system.reg")
  message(FATAL_ERROR "no Wine prefix at ${source} (tools/wine-prefix.sh makes it)")
endif()

function(end_wineserver)
  execute_process(COMMAND wineserver -k OUTPUT_QUIET ERROR_QUIET)
endfunction()

set(ENV{WINEPREFIX} "${PREFIX}")
if(EXISTS "${PREFIX}")
  end_wineserver()  # of a copy that an interrupted run left
  file(REMOVE_RECURSE "${PREFIX}")
endif()
# cp keeps the prefix's links (dosdevices) as links.
execute_process(COMMAND cp -a "${source}" "${PREFIX}" RESULT_VARIABLE copied)
if(NOT copied EQUAL 0)
  message(FATAL_ERROR "could not copy the Wine prefix ${source} to ${PREFIX}")
endif()
# Without a display, as the prefix was first made.
set(display "$ENV{KANADEYA_WINE_DISPLAY}")
unset(ENV{KANADEYA_WINE_DISPLAY})
execute_process(COMMAND "${WINE_RUN}" reg add "HKCU\\Control Panel\\Desktop" /v LogPixels
                        /t REG_DWORD /d ${DPI} /f
                RESULT_VARIABLE reg_status OUTPUT_QUIET)
# The registry is written out when the wineserver ends; the next one reads it.
execute_process(COMMAND wineserver -w)
set(ENV{KANADEYA_WINE_DISPLAY} "${display}")
if(NOT reg_status EQUAL 0)
  message(FATAL_ERROR "could not set LogPixels to ${DPI} in ${PREFIX}")
endif()

execute_process(COMMAND ${command} RESULT_VARIABLE status)
end_wineserver()
file(REMOVE_RECURSE "${PREFIX}")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the tests failed at ${DPI} DPI (${status})")
endif()
