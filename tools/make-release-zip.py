#!/usr/bin/env python3
"""Writes the release zip so that the same inputs always give the same bytes,
and its SHA-256 sum beside it (OUT.sha256, as `sha256sum` writes it).

    tools/make-release-zip.py --source-dir SOURCE OUT.zip NAME=FILE...

The entries go in the order given, each NAME holding the bytes of FILE,
deflated, with the same attributes (a regular file, rw-r--r--), no extra
fields and one date: SOURCE_DATE_EPOCH when it is set, otherwise the time of
the commit checked out in SOURCE. The date is written in UTC, so neither the
files' times nor the time zone nor the time of the build enter the zip.
"""
import argparse
import hashlib
import os
import subprocess
import sys
import time
import zipfile

# A zip's dates begin in 1980.
EARLIEST = 315532800  # 1980-01-01 00:00:00 UTC


def release_time(source_dir: str) -> int:
    """Seconds since 1970 that stand for every date in the release."""
    given = os.environ.get("SOURCE_DATE_EPOCH")
    if given:
        return int(given)
    try:
        out = subprocess.run(["git", "-C", source_dir, "log", "-1", "--format=%ct"],
                             check=True, capture_output=True, text=True).stdout
    except (OSError, subprocess.CalledProcessError) as e:
        sys.exit("make-release-zip: no commit time in %s (%s); set SOURCE_DATE_EPOCH"
                 % (source_dir, e))
    return int(out.strip())


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--source-dir", required=True)
    parser.add_argument("out")
    parser.add_argument("entries", nargs="+", metavar="NAME=FILE")
    args = parser.parse_args()

    date_time = time.gmtime(max(release_time(args.source_dir), EARLIEST))[:6]
    partial = args.out + ".part"
    with zipfile.ZipFile(partial, "w") as archive:
        for entry in args.entries:
            name, path = entry.split("=", 1)
            info = zipfile.ZipInfo(name, date_time)
            info.create_system = 3  # Unix, so that the attributes below are read
            info.external_attr = 0o100644 << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(path, "rb") as f:
                archive.writestr(info, f.read(), compresslevel=9)
    os.replace(partial, args.out)

    with open(args.out, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()
    with open(args.out + ".sha256", "w", newline="\n") as f:
        f.write("%s  %s\n" % (digest, os.path.basename(args.out)))


if __name__ == "__main__":
    main()
