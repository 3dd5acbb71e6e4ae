#!/usr/bin/env bash
# Checks that the release zip depends on nothing but the commit: clones the
# commit checked out here into two temporary folders whose paths differ (in
# length too), builds the zip in each with tools/package.sh, one after the
# other, with different time zones and file-creation masks, and compares the
# two zips byte for byte; the unstripped kanadeya.dll too, so that a build
# path in the debug information shows even though the zip's DLL has none.
# Only committed work is checked: the clones hold HEAD, not the changes in
# the working tree.
set -euo pipefail
cd "$(dirname "$0")/.."
version=$(sed -n 's/^project(kanadeya VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
zip=build/win32/kanadeya-${version}-win32.zip
commit=$(git rev-parse HEAD)
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  echo "note: uncommitted changes are not part of this check"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/kanadeya-reproducible.XXXXXX")
trap 'rm -rf "$work"' EXIT
first=$work/a
second=$work/second-clone/at-a-longer-path
unset SOURCE_DATE_EPOCH
for clone in "$first" "$second"; do
  git clone --quiet --no-checkout . "$clone"
  git -C "$clone" -c advice.detachedHead=false checkout --quiet "$commit"
done
echo "=== building commit $commit in $first"
(cd "$first" && umask 022 && TZ=UTC tools/package.sh)
echo "=== building it again in $second"
(cd "$second" && umask 077 && TZ=JST-9 tools/package.sh)

sha256sum "$first/$zip" "$second/$zip"
status=0
if ! cmp "$first/$zip" "$second/$zip"; then
  echo "the two zips differ; their entries:"
  unzip -Zv "$first/$zip" >"$work/first.txt"
  unzip -Zv "$second/$zip" >"$work/second.txt"
  diff "$work/first.txt" "$work/second.txt" || true
  status=1
fi
if ! cmp "$first/build/win32/kanadeya.dll" "$second/build/win32/kanadeya.dll"; then
  echo "the two unstripped DLLs differ:"
  cmp -l "$first/build/win32/kanadeya.dll" "$second/build/win32/kanadeya.dll" | head -20
  status=1
fi
if [ "$status" -eq 0 ]; then
  echo "reproducible: both builds made the same zip and the same DLL"
fi
exit "$status"
