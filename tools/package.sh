#!/usr/bin/env bash
# Builds the release zip and checks what it holds. Configures the win32
# preset first when build/win32 has not been configured (a fresh clone), then
# builds only what the zip is made of: kanadeya.dll and the texts beside it,
# not the host program or the tests. Writes
# build/win32/kanadeya-<version>-win32.zip and its SHA-256 sum beside it.
set -euo pipefail
cd "$(dirname "$0")/.."
version=$(sed -n 's/^project(kanadeya VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
if [ ! -f build/win32/CMakeCache.txt ]; then
  cmake --preset win32
fi
# Ninja's default number of jobs keeps every core of the machine busy.
cmake --build --preset win32 --target release_zip
site=$(sed -n 's/^KANADEYA_SITE_BASE_URL:STRING=//p' build/win32/CMakeCache.txt)
python3 tools/check-package.py "build/win32/kanadeya-${version}-win32.zip" "$version" "$site"
