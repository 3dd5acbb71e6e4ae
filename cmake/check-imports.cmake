# Compares what a DLL imports (each DLL and function, from objdump's import
# tables) with the list kept in the repository, so that a new import is a
# decision: the list's header names the oldest Windows that exports them all,
# and release/readme.utf8.txt and README.md state it.
#   cmake -DOBJDUMP=... -DDLL=kanadeya.dll -DLIST=release/kanadeya.dll.imports -P check-imports.cmake
execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${DLL}")
endif()
string(REPLACE "\n" ";" lines "${dump}")
set(found "")
set(dll "")
foreach(line IN LISTS lines)
  if(line MATCHES "^\tDLL Name: (.+)$")
    string(TOLOWER "${CMAKE_MATCH_1}" dll)
  elseif(dll AND line MATCHES "^\t[0-9a-f]+\t +[0-9]+ +([^ ]+)")
    list(APPEND found "${dll} ${CMAKE_MATCH_1}")
  elseif(line MATCHES "^The Export Tables")
    break()
  endif()
endforeach()
list(SORT found)

file(STRINGS ${LIST} listed REGEX "^[^#]")
list(SORT listed)
if(NOT found STREQUAL listed)
  set(added ${found})
  list(REMOVE_ITEM added ${listed})
  set(gone ${listed})
  list(REMOVE_ITEM gone ${found})
  string(REPLACE ";" "\n  " added "${added}")
  string(REPLACE ";" "\n  " gone "${gone}")
  message(FATAL_ERROR "${DLL} imports other functions than ${LIST} lists.\n"
                      "Imported, not listed:\n  ${added}\nListed, not imported:\n  ${gone}\n"
                      "Check the oldest Windows that exports each new one, then update the list "
                      "and the version stated in release/readme.utf8.txt and README.md.")
endif()
list(LENGTH found count)
message(STATUS "${count} imports, as listed in ${LIST}")
