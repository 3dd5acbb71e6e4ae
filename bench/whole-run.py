#!/usr/bin/env python3
"""The whole-run benchmark: `hakobune lookup --quiet` over a generated offline
site, measured in the same run as its floor.

    bench/whole-run.py --build-dir build/native --site build/bench-site [--codes 1000] [--runs 5]
    bench/whole-run.py --wine --build-dir build/win32 --site build/native/bench-site

With --wine the win32 build's hakobune.exe (with kanadeya.dll) and
bench_file_floor.exe run under Wine (cmake/wine-run.sh), against the same
site; the native floor runs in each round too, so that the share of Wine's
own file calls shows. Under Wine much of the file work is done by the
wineserver process, which is no child of this script: its CPU time is not
counted, so wall-clock time is the figure to read there.

The site folder is what bench/make-site.py wrote (its codes-N.txt and
floor-N.txt for N and 2N codes must be there). The floor is
bench_file_floor: one process doing only the file work the run's design
makes unavoidable, for each code copying its search page and its detail page
into "Temp.html" and reading each back once.

Each round runs the floor, the N-code lookup, the N-code lookup with a lookup
log set in kanadeya.ini and the 2N-code lookup, in that order, so that a busy
machine slows them alike; the figures are medians
over the rounds, and the run's ratio to its floor is also given as the median
of each round's own ratio. Times are wall-clock time and CPU time (user + system) of the
child process; on a machine shared with other work the CPU time is the steadier
of the two. The host's dictionaries are copied into a fresh data folder with a
last-write time an hour ago, as a host's files are that nobody is editing.
Exits non-zero when a lookup fails or writes other than one line per code.
"""
import argparse
import os
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import time


def timed(command):
    """Runs the command; its wall-clock and CPU seconds. The file system's
    pending work is written out first, so that no process pays for the files
    the one before it deleted (ext4 passes over recently freed inodes when it
    creates a file, until its journal commits)."""
    os.sync()
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    done = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    if done.returncode != 0:
        sys.exit("failed (%d): %s\n%s" % (done.returncode, " ".join(command),
                                          done.stderr.decode(errors="replace")))
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return wall, cpu


def line_count(path):
    with open(path, "rb") as f:
        return f.read().count(b"\r\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--site", required=True, help="what bench/make-site.py wrote")
    parser.add_argument("--codes", type=int, default=1000)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--wine", action="store_true",
                        help="the win32 build under Wine (--build-dir build/win32)")
    parser.add_argument("--native-build-dir", default=os.path.join("build", "native"),
                        help="with --wine: where the native bench_file_floor is")
    args = parser.parse_args()

    exe = ".exe" if args.wine else ""
    launcher = [os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "cmake",
                             "wine-run.sh")] if args.wine else []
    host = os.path.join(args.build_dir, "hakobune" + exe)
    floor = os.path.join(args.build_dir, "bench", "bench_file_floor" + exe)
    native_floor = os.path.join(args.native_build_dir, "bench", "bench_file_floor")
    site = os.path.join(args.site, "site")
    small, large = args.codes, 2 * args.codes
    needed = [host, floor, os.path.join(args.site, "codes-%d.txt" % large)]
    if args.wine:
        needed.append(native_floor)
    for path in needed:
        if not os.path.exists(path):
            sys.exit("missing: %s" % path)

    work = tempfile.mkdtemp(prefix="kanadeya-whole-run-", dir=args.build_dir)
    try:
        # The lookup with a log: the host program and the plug-in copied into
        # a folder of their own, with a kanadeya.ini beside the plug-in.
        logged = os.path.join(work, "logged")
        os.makedirs(logged)
        for name in (("hakobune.exe", "kanadeya.dll") if args.wine else
                     ("hakobune", "libkanadeya.so")):
            shutil.copy2(os.path.join(args.build_dir, name), logged)
        with open(os.path.join(logged, "kanadeya.ini"), "wb") as f:
            f.write(b"[Log]\r\nFile=lookup.log\r\n")
        data = os.path.join(work, "data")
        shutil.copytree(os.path.join(args.site, "data"), data)
        settled = time.time() - 3600
        for name in os.listdir(data):
            os.utime(os.path.join(data, name), (settled, settled))
        out = os.path.join(work, "books.csv")

        def lookup(count, program=host):
            return launcher + [program, "lookup", "--quiet", "--data-dir", data + os.sep, "--out",
                               out, "--site", site, "--codes",
                               os.path.join(args.site, "codes-%d.txt" % count)]

        pairs = os.path.join(args.site, "floor-%d.txt" % small)
        times = {"floor": [], "run": [], "logged": [], "run2": [], "native floor": []}
        if args.wine:  # the wineserver started once, not in the first timing
            timed(launcher + [floor, data, pairs])
        for _ in range(args.runs):
            if args.wine:
                times["native floor"].append(timed([native_floor, data, pairs]))
            times["floor"].append(timed(launcher + [floor, data, pairs]))
            times["run"].append(timed(lookup(small)))
            if line_count(out) != small:
                sys.exit("the %d-code run wrote %d lines" % (small, line_count(out)))
            times["logged"].append(timed(lookup(small, os.path.join(logged, "hakobune" + exe))))
            if line_count(out) != small:
                sys.exit("the %d-code run with a log wrote %d lines" % (small, line_count(out)))
            times["run2"].append(timed(lookup(large)))
            if line_count(out) != large:
                sys.exit("the %d-code run wrote %d lines" % (large, line_count(out)))
    finally:
        shutil.rmtree(work, ignore_errors=True)

    def median(key, which):
        return statistics.median(t[which] for t in times[key])

    print("whole run%s: %d and %d codes, %d rounds, medians" %
          (" under Wine" if args.wine else "", small, large, args.runs))
    print("%-28s %10s %10s" % ("", "wall s", "CPU s"))
    rows = [("run", "lookup, %d codes" % small), ("floor", "floor, %d codes" % small),
            ("logged", "lookup with log, %d codes" % small), ("run2", "lookup, %d codes" % large)]
    if args.wine:
        rows.append(("native floor", "native floor, %d codes" % small))
    for key, label in rows:
        print("%-28s %10.3f %10.3f" % (label, median(key, 0), median(key, 1)))
    print("%-28s %10.2f %10.2f" % ("run / floor", median("run", 0) / median("floor", 0),
                                   median("run", 1) / median("floor", 1)))

    # The same ratio taken within each round, the run beside the floor that
    # ran just before it: a slow spell of a shared machine weighs on both.
    def paired(which):
        return sorted(r[which] / f[which] for r, f in zip(times["run"], times["floor"]))

    print("%-28s %10.2f %10.2f   (rounds: %.2f to %.2f CPU)" %
          ("run / floor, each round", statistics.median(paired(0)),
           statistics.median(paired(1)), paired(1)[0], paired(1)[-1]))
    print("%-28s %10.2f %10.2f" % ("with log / without", median("logged", 0) / median("run", 0),
                                   median("logged", 1) / median("run", 1)))
    if args.wine:
        print("%-28s %10.2f %10.2f" % ("Wine floor / native floor",
                                       median("floor", 0) / median("native floor", 0),
                                       median("floor", 1) / median("native floor", 1)))
    print("%-28s %10.2f %10.2f" % ("%d / %d codes" % (large, small),
                                   median("run2", 0) / median("run", 0),
                                   median("run2", 1) / median("run", 1)))


if __name__ == "__main__":
    main()
