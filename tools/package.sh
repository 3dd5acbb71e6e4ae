#!/usr/bin/env bash
# Builds the release zip from the win32 build and checks what it holds.
set -euo pipefail
cd "$(dirname "$0")/.."
version=$(sed -n 's/^project(kanadeya VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
cmake --build --preset win32 --target package
python3 tools/check-package.py "build/win32/kanadeya-${version}-win32.zip" "$version"
