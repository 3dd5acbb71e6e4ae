# Fails when the host program's link map names an object of plugin/: the
# plug-in's floor (libkanadeya_plugin.a), the plug-in itself, or an object
# compiled from a source in plugin/. The map lists every input file of the
# link (LOAD lines, and the archive members taken) with its path.
#
#   cmake -DMAP=hakobune.map -P check-host-links.cmake
if(NOT EXISTS "${MAP}")
  message(FATAL_ERROR "no link map ${MAP}")
endif()
file(STRINGS "${MAP}" lines)
set(host_objects 0)
set(faults "")
foreach(line IN LISTS lines)
  # Archives and objects as the linker names them: .../libkanadeya_plugin.a,
  # libkanadeya_plugin.a(lookup_driver.cpp.o), .../hakobune.dir/host/main.cpp.o
  if(line MATCHES "kanadeya_plugin|[/\\\\]plugin[/\\\\][^/\\\\ ]*\\.(o|obj)|kanadeya\\.(dll|so)")
    list(APPEND faults "${line}")
  elseif(line MATCHES "[/\\\\]host[/\\\\]main\\.cpp\\.(o|obj)")
    set(host_objects 1)
  endif()
endforeach()
if(NOT host_objects)
  # Not a map of the host program, or one this check cannot read.
  message(FATAL_ERROR "${MAP} names no host/main.cpp object")
endif()
if(faults)
  list(REMOVE_DUPLICATES faults)
  list(JOIN faults "\n" faults)
  message(FATAL_ERROR "the host program links plugin/:\n${faults}")
endif()
message(STATUS "the host program links no object of plugin/")
