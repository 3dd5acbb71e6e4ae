#!/bin/sh
# Runs a Windows program under Wine as the win32 tests need it: the Japanese
# locale (code page 932), no Wine debug chatter, and a prefix that was
# initialised once before.
#
# The display: by default none, so that a message box returns at once (the
# end-to-end tests read the plug-in's messages from the debug trace). With
# KANADEYA_WINE_DISPLAY=1 (tests that make, show or click windows) the
# program gets a virtual X display of its own from Xvfb, never the user's.
unset DISPLAY WAYLAND_DISPLAY
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ "${KANADEYA_WINE_DISPLAY:-}" = 1 ]; then
  exec xvfb-run --auto-servernum --server-args="-screen 0 1024x768x24" wine "$@"
fi
exec wine "$@"
