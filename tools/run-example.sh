#!/usr/bin/env bash
# The program's main job on this machine: installs what is missing, builds
# the native plug-in and host program, and looks up the sample code list
# against the sample catalogue. The host program, the plug-in and the sample
# "Setting.ini" are staged in out/example/ with a copy of the sample data
# directory, so that nothing under examples/ is touched. Shows the books
# found and says where the import file is.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh --native-only
cmake --preset native >/dev/null
cmake --build --preset native --target hakobune kanadeya

stage=out/example
rm -rf "$stage"
mkdir -p "$stage"
cp build/native/hakobune build/native/libkanadeya.so examples/Setting.ini "$stage/"
cp -R examples/data "$stage/data"

echo
echo "=== looking up examples/codes.txt against the sample catalogue examples/site"
"$stage/hakobune" lookup --data-dir "$stage/data" --out "$stage/books.csv" \
  --site examples/site --codes examples/codes.txt
echo
echo "=== the books found"
"$stage/hakobune" show "$stage/books.csv"
echo
echo "import file: $PWD/$stage/books.csv"
