#!/usr/bin/env python3
"""Prints the medians of a run of kanadeya_benchmarks and the ratios that
BENCHMARKS.md states its targets in.

    bench/summarise.py RESULTS.json

RESULTS.json is what `kanadeya_benchmarks --benchmark_repetitions=N
--benchmark_out=RESULTS.json --benchmark_out_format=json` wrote. Ratios are
taken between benchmarks of the same run, in CPU time: on a machine shared
with other work the CPU time is the steadier of the two.
"""
import json
import re
import sys

UNIT_SECONDS = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}


def medians(path):
    """Benchmark name -> its median entry (the entry itself when the run had
    no repetitions)."""
    with open(path) as f:
        entries = json.load(f)["benchmarks"]
    found = {}
    for entry in entries:
        name = entry.get("run_name", entry["name"])
        if entry.get("aggregate_name", "median") == "median":
            found[name] = entry
    return found


def seconds(entry, key="cpu_time"):
    return entry[key] * UNIT_SECONDS[entry["time_unit"]]


def readable(value):
    for unit, scale in (("s", 1.0), ("ms", 1e-3), ("us", 1e-6)):
        if value >= scale:
            return "%.3g %s" % (value / scale, unit)
    return "%.3g ns" % (value / 1e-9)


def main():
    results = medians(sys.argv[1])
    print("%-48s %12s %12s  %s" % ("benchmark (median)", "CPU", "wall", "counters"))
    for name, entry in results.items():
        counters = []
        for key in ("bytes_per_second", "items_per_second"):
            if key in entry:
                counters.append("%s %.3g/s" % ("bytes" if key[0] == "b" else "items", entry[key]))
        for key in ("iconv_over_fast", "non_ascii_%"):
            if key in entry:
                counters.append("%s %.3g" % (key, entry[key]))
        print("%-48s %12s %12s  %s" % (name, readable(seconds(entry)),
                                       readable(seconds(entry, "real_time")), ", ".join(counters)))

    print()
    print("ratios (CPU time, same run):")

    def ratio(label, slow, fast):
        if slow in results and fast in results:
            print("  %-58s %6.2f" % (label, seconds(results[slow]) / seconds(results[fast])))

    size = 10 << 20
    ratio("iconv / EucToShiftJis, 10 MiB", "BM_Iconv_Html/%d" % size,
          "BM_EucToShiftJis_Html/%d" % size)
    ratio("iconv / EucToShiftJisReference, 10 MiB", "BM_Iconv_Html/%d" % size,
          "BM_EucToShiftJisReference_Html/%d" % size)
    versus = results.get("BM_EucToShiftJis_VersusIconv/%d" % size)
    if versus and "iconv_over_fast" in versus:
        print("  %-58s %6.2f" % ("iconv / EucToShiftJis, interleaved, 10 MiB",
                                 versus["iconv_over_fast"]))
    for lines in (20000, 40000):
        ratio("dictionary work per code: plain search / kept, %d lines" % lines,
              "BM_DictionariesPerCode_PlainSearch/%d" % lines,
              "BM_DictionariesPerCode_Unchanged/%d" % lines)
        ratio("dictionary work per code: plain search / changed files, %d lines" % lines,
              "BM_DictionariesPerCode_PlainSearch/%d" % lines,
              "BM_DictionariesPerCode_Changed/%d" % lines)

    print()
    print("doubling the input (CPU time of 2n over n; linear is 2):")
    by_family = {}
    for name in results:
        match = re.fullmatch(r"(BM_\w+)/(\d+)", name)
        if match:
            by_family.setdefault(match.group(1), {})[int(match.group(2))] = name
    for family, sizes in sorted(by_family.items()):
        for n in sorted(sizes):
            if 2 * n in sizes:
                print("  %-58s %6.2f" % ("%s %d -> %d" % (family, n, 2 * n),
                                         seconds(results[sizes[2 * n]]) /
                                         seconds(results[sizes[n]])))


if __name__ == "__main__":
    main()
