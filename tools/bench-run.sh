#!/usr/bin/env bash
# The benchmarks of BENCHMARKS.md. Builds the native preset's benchmark
# programs, runs the microbenchmarks (five repetitions each; medians and the
# ratios the targets are stated in) and the whole-run benchmark (hakobune
# lookup over 1,000 and 2,000 codes of a generated offline site, against its
# floor, eleven rounds).
#
#   tools/bench-run.sh           # the figures of BENCHMARKS.md (some minutes)
#   tools/bench-run.sh --smoke   # every benchmark once, briefly, so that they
#                                # keep building and running (the test command)
#   tools/bench-run.sh --wine    # the whole run of the win32 build under Wine,
#                                # against the floor built for win32 and natively
#
# Generated inputs go to build/ (the site of 2,000 books takes about 90 MB).
# Needs Google Benchmark (Debian: libbenchmark-dev; tools/install-deps.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

smoke=0
wine=0
case "${1:-}" in
  --smoke) smoke=1 ;;
  --wine) wine=1 ;;
  "") ;;
  *) echo "usage: tools/bench-run.sh [--smoke | --wine]" >&2; exit 2 ;;
esac

build=build/native
if [ "$wine" = 1 ]; then
  cmake --preset native >/dev/null
  cmake --build --preset native --target bench_file_floor
  cmake --preset win32 -DKANADEYA_BUILD_BENCHMARKS=ON >/dev/null
  cmake --build --preset win32 --target bench_file_floor hakobune kanadeya
  [ -f "$build/bench-site/codes-2000.txt" ] ||
    python3 bench/make-site.py "$build/bench-site" --books 2000
  python3 bench/whole-run.py --wine --build-dir build/win32 --site "$build/bench-site" \
    --codes 1000 --runs 5
  exit 0
fi
cmake --preset native >/dev/null
if ! grep -q '^benchmark_DIR:PATH=/' "$build/CMakeCache.txt"; then
  echo "bench-run: Google Benchmark is not installed (Debian: libbenchmark-dev)" >&2
  exit 1
fi
cmake --build --preset native --target kanadeya_benchmarks bench_file_floor hakobune kanadeya

if [ "$smoke" = 1 ]; then
  # A benchmark that meets wrong results skips itself with an error; the
  # program still exits 0, so its output is checked.
  out=$("$build/bench/kanadeya_benchmarks" --benchmark_min_time=0.01 2>&1) || {
    echo "$out"
    exit 1
  }
  echo "$out" | grep -E '^BM_' | cut -c1-100
  if echo "$out" | grep -q 'ERROR OCCURRED'; then
    echo "$out" | grep 'ERROR OCCURRED' >&2
    exit 1
  fi
  python3 bench/make-site.py "$build/bench-smoke-site" --books 40
  python3 bench/whole-run.py --build-dir "$build" --site "$build/bench-smoke-site" --codes 20 \
    --runs 1
  exit 0
fi

results="$build/bench/results.json"
"$build/bench/kanadeya_benchmarks" --benchmark_repetitions=5 \
  --benchmark_report_aggregates_only=true \
  --benchmark_out="$results" --benchmark_out_format=json >/dev/null
python3 bench/summarise.py "$results"
echo
python3 bench/make-site.py "$build/bench-site" --books 2000
python3 bench/whole-run.py --build-dir "$build" --site "$build/bench-site" --codes 1000 --runs 11
