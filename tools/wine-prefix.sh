#!/usr/bin/env bash
# Prepares the Wine prefix once, without a display, so that the win32 tests
# start quickly and quietly. Does nothing when the prefix is already there.
set -euo pipefail
prefix="${WINEPREFIX:-$HOME/.wine}"
if [ -f "$prefix/system.reg" ]; then exit 0; fi
unset DISPLAY WAYLAND_DISPLAY
echo "initialising the Wine prefix $prefix"
WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" wineboot --init >/dev/null 2>&1 || true
wineserver -w 2>/dev/null || true
test -f "$prefix/system.reg"
