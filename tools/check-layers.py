#!/usr/bin/env python3
"""Checks that the code's folders include only downwards.

The folders are layers, bottom first (LAYERS, the one list in tools/layers.py).
A file in one layer may include its own folder and the layers below it,
never one above; an include of a folder that the list does not name fails
too. The tests, fuzz targets and benchmarks stand above every layer (USERS).
Within the plug-in only platform/ includes windows.h; elsewhere only files
named *_win32.cpp do.

A run reaches the system only through its context: below the plug-in's
edge, no file of plugin/ (but the system context, the exports and the
host's binding) and no file of the logic's floors includes the platform's
disk, clock, process, INI, message, wait-window, lock or library headers,
nor <thread>. No header of plugin/ includes one, so that what the edge
declares hands none of them on; the system context's header alone may
declare itself a disk reader.

    tools/check-layers.py [--root DIR]

Prints each offending include as FILE:LINE: and why, and exits 1 if any.
"""
import argparse
import re
import sys
from pathlib import Path

from layers import LAYERS  # tools/layers.py: the folders, bottom first

# Above every layer: each may include all layers and the folders it names.
USERS = {
    "tests": ["tests"],
    "fuzz": ["fuzz", "tests"],
    "bench": ["bench"],
}
SOURCES = ("*.cpp", "*.h", "*.inc")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]')
WIN32_HEADERS = {"windows.h", "wininet.h", "winsock2.h", "ws2tcpip.h", "commctrl.h"}
# What reaches the disk, the clock or other processes, and who may include it.
SYSTEM_HEADERS = {"platform/files.h", "platform/file_stamp.h", "platform/local_time.h",
                  "platform/process.h", "platform/profile.h", "platform/message.h",
                  "platform/wait_window.h", "platform/file_lock.h", "platform/library.h",
                  "platform/disk_file_reader.h", "thread"}
CONTEXT_FLOORS = {"strings", "markup", "record", "fields", "scrape", "plugin"}
PLUGIN_EDGE = re.compile(r"^plugin/(system_env\.[^/]+|exports\.cpp|host_api\.cpp)$")
# The one system header that a header of the edge may include.
EDGE_HEADER_INCLUDES = {("plugin/system_env.h", "platform/disk_file_reader.h")}


def allowed(folder: str):
    if folder in USERS:
        return set(LAYERS) | set(USERS[folder])
    return set(LAYERS[: LAYERS.index(folder) + 1])


def check(root: Path):
    faults = []
    for folder in LAYERS + list(USERS):
        may = allowed(folder)
        for pattern in SOURCES:
            for path in sorted((root / folder).rglob(pattern)):
                rel = path.relative_to(root).as_posix()
                lines = path.read_text(encoding="utf-8", errors="replace").splitlines()
                for number, line in enumerate(lines, 1):
                    match = INCLUDE.match(line)
                    if not match:
                        continue
                    bracket, target = match.groups()
                    where = f"{rel}:{number}: {line.strip()}"
                    if (target in SYSTEM_HEADERS and folder in CONTEXT_FLOORS
                            and not PLUGIN_EDGE.match(rel)):
                        faults.append(f"{where}: reaches the system around the run's context")
                    elif (target in SYSTEM_HEADERS and folder == "plugin"
                            and rel.endswith(".h") and (rel, target) not in EDGE_HEADER_INCLUDES):
                        faults.append(f"{where}: a header of the plug-in hands the system on")
                    if bracket == "<":
                        if (target.lower() in WIN32_HEADERS and folder != "platform"
                                and not path.name.endswith("_win32.cpp")):
                            faults.append(f"{where}: Win32 header outside platform/ "
                                          "and *_win32.cpp files")
                        continue
                    top = target.split("/")[0] if "/" in target else None
                    if top is None:
                        faults.append(f"{where}: names no folder (write it from the top)")
                    elif top not in may:
                        if top in LAYERS and folder in LAYERS:
                            faults.append(f"{where}: {folder}/ includes {top}/, a layer above it")
                        else:
                            faults.append(f"{where}: {folder}/ may not include {top}/")
    return faults


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", default=Path(__file__).resolve().parent.parent, type=Path)
    root = parser.parse_args().root
    faults = check(root)
    for fault in faults:
        print(fault)
    if faults:
        print(f"check-layers: {len(faults)} include(s) against the layers "
              f"({' < '.join(LAYERS)})", file=sys.stderr)
        return 1
    print(f"check-layers: every include goes downwards ({' < '.join(LAYERS)})")
    return 0


if __name__ == "__main__":
    sys.exit(main())
