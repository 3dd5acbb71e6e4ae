#!/usr/bin/env bash
# Builds the fuzz targets (the `fuzz` preset: clang, libFuzzer, AddressSanitizer
# and UndefinedBehaviorSanitizer) and runs each in turn for a while over its
# seeds in fuzz/corpus/<target>/, so that every target keeps building and
# running. Exits non-zero when a target fails to build or finds anything.
#
#   tools/fuzz-smoke.sh                        # every target, 10 seconds each
#   tools/fuzz-smoke.sh --seconds 600 detail_page whole_run
#
# Options: --seconds N (per target, default 10), --build-dir DIR (default the
# preset's build/fuzz), --log FILE (appends each target's final stats line).
# New inputs go to DIR/corpus/<target>/ (the seeds in the repository are not
# touched); a finding is saved as DIR/findings/<target>-crash-... and can be
# replayed with `DIR/fuzz/fuzz_<target> FILE`.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=10
build_dir=build/fuzz
log=""
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) seconds=$2; shift 2 ;;
    --build-dir) build_dir=$2; shift 2 ;;
    --log) log=$2; shift 2 ;;
    -*) echo "unknown option $1" >&2; exit 2 ;;
    *) targets+=("$1"); shift ;;
  esac
done
all=(euc_jp markup title_volume author_credit edition_date dictionaries output_line
     detail_page whole_run)
if [ ${#targets[@]} -eq 0 ]; then targets=("${all[@]}"); fi

# The largest input each target is given: enough for its real inputs (a page
# line, a date, a page of a few KiB, small dictionaries) with room to spare;
# longer inputs only slow the search down.
max_len() {
  case "$1" in
    edition_date) echo 256 ;;
    markup | title_volume) echo 4096 ;;
    *) echo 16384 ;;
  esac
}

cmake --preset fuzz -B "$build_dir" >/dev/null
cmake --build "$build_dir" --target fuzzers

failed=()
for target in "${targets[@]}"; do
  corpus="$build_dir/corpus/$target"
  mkdir -p "$corpus" "$build_dir/findings"
  options=(-max_total_time="$seconds" -max_len="$(max_len "$target")" -timeout=10
           -rss_limit_mb=2048 -print_final_stats=1
           -artifact_prefix="$build_dir/findings/$target-")
  if [ -f "fuzz/dict/$target.dict" ]; then options+=(-dict="fuzz/dict/$target.dict"); fi
  # The whole run shows the plug-in's messages on standard error; keep them
  # out of the log (libFuzzer's own report and the targets' checks still
  # reach it).
  if [ "$target" = whole_run ]; then options+=(-close_fd_mask=2); fi
  echo "=== fuzz_$target for ${seconds}s"
  output="$build_dir/fuzz_$target.log"
  status=0
  "$build_dir/fuzz/fuzz_$target" "${options[@]}" "$corpus" "fuzz/corpus/$target" \
    >"$output" 2>&1 || status=$?
  summary=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$output" | tail -1 || true)
  executed=$(grep -E '^stat::number_of_executed_units' "$output" | awk '{print $2}' || true)
  echo "${summary:-no final stats line} (executions: ${executed:-?})"
  if [ -n "$log" ]; then
    echo "$(date -u +%FT%TZ) fuzz_$target ${seconds}s: ${summary:-no final stats} executions: ${executed:-?} status: $status" >>"$log"
  fi
  if [ $status -ne 0 ]; then
    tail -40 "$output"
    failed+=("$target")
  fi
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzz targets with findings or failures: ${failed[*]}" >&2
  exit 1
fi
