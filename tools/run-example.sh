#!/usr/bin/env bash
# The program's main job on this machine: installs what is missing, builds
# the native plug-in and host program, and runs the host program with it.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh --native-only
cmake --preset native >/dev/null
cmake --build --preset native --target hakobune kanadeya
build/native/hakobune info
