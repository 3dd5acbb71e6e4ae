#!/bin/sh
# Runs a Windows program under Wine as the win32 tests need it: the Japanese
# locale (code page 932), no Wine debug chatter, and a prefix that was
# initialised once before.
#
# The display: by default none, so that a message box returns at once (the
# end-to-end tests read the plug-in's messages from the debug trace). With
# KANADEYA_WINE_DISPLAY=1 (tests that make, show or click windows) the
# program gets a virtual X display of its own from Xvfb, never the user's.
#
# With KANADEYA_WINE_HEAP_ERRORS=FILE, Wine checks the program's heaps as it
# allocates and frees (WINEDEBUG +heap; a damaged block, such as one written
# past its end, is reported as "err:heap"). The trace that this also writes
# is dropped; the heap error lines are appended to FILE, and no debugger
# starts, so a damaged heap ends the program instead of waiting.
unset DISPLAY WAYLAND_DISPLAY
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ "${KANADEYA_WINE_DISPLAY:-}" = 1 ]; then
  exec xvfb-run --auto-servernum --server-args="-screen 0 1024x768x24" wine "$@"
fi
if [ -z "${KANADEYA_WINE_HEAP_ERRORS:-}" ]; then
  exec wine "$@"
fi
export WINEDEBUG="$WINEDEBUG,+heap"
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winedbg.exe=d"
# To a file, not a pipe: a wineserver started here inherits standard error
# and outlives the program.
trace=$(mktemp)
trap 'rm -f "$trace"' EXIT
status=0
wine "$@" 2>"$trace" || status=$?
grep -a ':err:heap:' "$trace" >>"$KANADEYA_WINE_HEAP_ERRORS" || true
grep -av ':\(trace\|warn\):heap:' "$trace" >&2 || true
exit "$status"
