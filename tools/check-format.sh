#!/usr/bin/env bash
# Fails when a C++ source of the repository is not laid out as .clang-format
# says: every tracked *.cpp and *.h file is given to clang-format, which
# reports each file it would change. `clang-format -i FILE` lays one out.
#
#   tools/check-format.sh [ROOT]
set -euo pipefail
root=${1:-$(dirname "$0")/..}
cd "$root"
clang_format=$(command -v clang-format || true)
if [ -z "$clang_format" ]; then
  echo "check-format: clang-format is not installed (Debian: clang-format)" >&2
  exit 1
fi
mapfile -t files < <(git ls-files '*.cpp' '*.h' 2>/dev/null || find . -name '*.cpp' -o -name '*.h')
if "$clang_format" --style=file --dry-run --Werror "${files[@]}"; then
  echo "check-format: ${#files[@]} files laid out as .clang-format says"
else
  echo "check-format: the files above are not laid out as .clang-format says" >&2
  exit 1
fi
