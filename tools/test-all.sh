#!/usr/bin/env bash
# Runs every test of the project on a Debian machine: installs what is
# missing, then builds and tests the native build, the same under
# AddressSanitizer and UndefinedBehaviorSanitizer (leaks included) and the
# win32 build (its tests under Wine), runs each fuzz target briefly, and
# builds the release zip, twice more from clean clones to check that it is
# the same each time.
# Prints how long each stage took. Exits non-zero when any stage fails.
set -euo pipefail
cd "$(dirname "$0")/.."

declare -a timings=()
stage() {
  local name=$1
  shift
  echo "=== $name"
  local start=$SECONDS
  "$@"
  local took=$((SECONDS - start))
  timings+=("$name: ${took}s")
  echo "=== $name done in ${took}s"
}

stage "install packages" tools/install-deps.sh
stage "native: configure, build, test" cmake --workflow --preset native
stage "benchmarks: each once, briefly" tools/bench-run.sh --smoke
stage "sanitize: configure, build, test" cmake --workflow --preset sanitize
stage "wine prefix" tools/wine-prefix.sh
stage "win32: configure, build, test under Wine" cmake --workflow --preset win32
stage "fuzz: build, run each target for 10s" tools/fuzz-smoke.sh
stage "win32: release zip" tools/package.sh
stage "win32: release zip reproducible" tools/check-reproducible.sh

echo
echo "stage times:"
printf '  %s\n' "${timings[@]}"
