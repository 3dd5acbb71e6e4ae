#!/bin/sh
# Runs a Windows program under Wine as the win32 tests need it: the Japanese
# locale (code page 932), no display (message boxes return at once), no
# Wine debug chatter, and a prefix that was initialised once before.
unset DISPLAY WAYLAND_DISPLAY
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
exec wine "$@"
