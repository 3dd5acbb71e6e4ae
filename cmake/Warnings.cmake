# Warnings shared by every target of the project.
#
# KANADEYA_WARNINGS_AS_ERRORS makes them errors. It is off unless asked for:
# the native and win32 presets ask, for the compilers that the project is
# built and tested with (Debian's GCC and mingw-w64); another compiler, or a
# newer one, may warn of something new, and that should not stop whoever
# packages the plug-in with it. The sanitize preset leaves it off, since GCC
# warns falsely (-Wstringop-overflow) in code built with the sanitizers.
# GoogleTest, Google Benchmark and libFuzzer are not the project's targets and
# keep their own flags.
option(KANADEYA_WARNINGS_AS_ERRORS "Build the project's own targets with -Werror" OFF)

function(kanadeya_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter -Wshadow)
  if(KANADEYA_WARNINGS_AS_ERRORS)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
