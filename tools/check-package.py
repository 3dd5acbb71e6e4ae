#!/usr/bin/env python3
"""Checks the release zip: exactly kanadeya.dll, readme.txt,
kanadeya.ini.sample and LICENSE.txt, in that order; the guide and the sample
in Shift_JIS with CR LF line ends, the guide stating the oldest Windows;
LICENSE.txt the licence with CR LF line ends; the DLL's version resource
saying 1.1.3.N (file, N the build number of CMakeLists.txt) and 1.1.3
(product), its header no link time, and the guide's history naming the
build; the SHA-256 sum file beside the zip naming the zip and its sum as
`sha256sum -c` reads it. With the site
address the DLL was built with, the DLL holds it, and the guide and the
sample name it: as a placeholder to replace for the project's default
address, and as the site searched, with nothing to write, for any other.

    tools/check-package.py build/win32/kanadeya-1.1.3-win32.zip 1.1.3 [SITE_BASE_URL]
"""
import hashlib
import os
import re
import struct
import sys
import zipfile
from pathlib import Path

ENTRIES = ["kanadeya.dll", "readme.txt", "kanadeya.ini.sample", "LICENSE.txt"]
LICENSE = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "LICENSE")
DEFAULT_SITE_BASE_URL = "http://catalog.example"
# What the texts say of a placeholder address, and only of one.
PLACEHOLDER_WORDS = "どこにもつながりません"


def fail(why: str) -> None:
    print("package check failed: " + why)
    sys.exit(1)


def version_strings(dll: bytes) -> dict:
    """The StringFileInfo values that follow each name in UTF-16LE."""
    found = {}
    for name in ("FileVersion", "ProductVersion", "ProductName"):
        key = (name + "\0").encode("utf-16-le")
        at = dll.find(key)
        if at < 0:
            continue
        at += len(key)
        at += (4 - at % 4) % 4  # values are aligned to 32 bits
        end = at
        while end + 1 < len(dll) and dll[end:end + 2] != b"\0\0":
            end += 2
        found[name] = dll[at:end].decode("utf-16-le")
    return found


def check_crlf(name: str, data: bytes) -> None:
    """Every line of a text ends in CR LF, the last one too."""
    bare = data.replace(b"\r\n", b"")
    if b"\n" in bare or b"\r" in bare or not data.endswith(b"\r\n"):
        fail(name + " does not use CR LF line ends")


def japanese_text(name: str, data: bytes) -> str:
    """The text of a Shift_JIS file with CR LF line ends."""
    try:
        text = data.decode("cp932")
    except UnicodeDecodeError:
        fail(name + " is not Shift_JIS")
    check_crlf(name, data)
    return text


def check_sum_file(path: str) -> None:
    """PATH.sha256 holds one line: the zip's SHA-256, two spaces, its name."""
    try:
        with open(path + ".sha256", "rb") as f:
            line = f.read()
    except OSError as e:
        fail("no SHA-256 sum file: %s" % e)
    with open(path, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()
    want = "%s  %s\n" % (digest, os.path.basename(path))
    if line != want.encode():
        fail("%s.sha256 holds %r, not %r" % (path, line, want))


def check_site(site: str, dll: bytes, readme: str, sample: str) -> None:
    """The DLL searches `site`, and the texts say what that means."""
    if site.encode() not in dll:
        fail("kanadeya.dll does not hold the site address " + site)
    placeholder = site == DEFAULT_SITE_BASE_URL
    for name, text in (("readme.txt", readme), ("kanadeya.ini.sample", sample)):
        if site not in text:
            fail(name + " does not name the site address " + site)
        if (PLACEHOLDER_WORDS in text) != placeholder:
            fail(name + (" does not call " if placeholder else " calls ") + site +
                 " a placeholder")


def build_number() -> str:
    """KANADEYA_BUILD of the CMakeLists.txt beside this script's folder."""
    cmake = (Path(__file__).resolve().parent.parent / "CMakeLists.txt").read_text(encoding="utf-8")
    found = re.search(r"^set\(KANADEYA_BUILD (\d+)\)", cmake, re.M)
    if not found:
        fail("CMakeLists.txt sets no KANADEYA_BUILD")
    return found.group(1)


def main() -> None:
    path, version = sys.argv[1], sys.argv[2]
    site = sys.argv[3] if len(sys.argv) > 3 else None
    with zipfile.ZipFile(path) as archive:
        names = archive.namelist()
        if names != ENTRIES:
            fail("the zip holds %s" % names)
        dll = archive.read("kanadeya.dll")
        readme = archive.read("readme.txt")
        sample = archive.read("kanadeya.ini.sample")
        licence = archive.read("LICENSE.txt")
    if not dll.startswith(b"MZ"):
        fail("kanadeya.dll is not a Windows module")
    pe = struct.unpack_from("<I", dll, 0x3C)[0]
    if dll[pe:pe + 4] != b"PE\0\0":
        fail("kanadeya.dll has no PE header")
    stamp = struct.unpack_from("<I", dll, pe + 8)[0]
    if stamp != 0:
        fail("kanadeya.dll's header holds a time stamp (%d), so no two builds are the same" % stamp)
    fixed = dll.find(struct.pack("<I", 0xFEEF04BD))
    if fixed < 0:
        fail("kanadeya.dll has no version resource")
    ms, ls = struct.unpack_from("<II", dll, fixed + 8)
    file_version = "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
    build = build_number()
    if file_version != "%s.%s" % (version, build):
        fail("file version %s, not %s.%s" % (file_version, version, build))
    strings = version_strings(dll)
    if strings.get("ProductVersion") != version:
        fail("product version %r" % strings.get("ProductVersion"))
    if strings.get("ProductName") != "ISBN検索kanadeya":
        fail("product name %r" % strings.get("ProductName"))
    text = japanese_text("readme.txt", readme)
    japanese_text("kanadeya.ini.sample", sample)
    if version not in text:
        fail("readme.txt does not name version " + version)
    if "%s ビルド %s" % (version, build) not in text:
        fail("readme.txt's history does not name build %s" % build)
    if "Windows Vista 以降" not in text:
        fail("readme.txt does not state the oldest Windows")
    if site is not None:
        check_site(site, dll, text, japanese_text("kanadeya.ini.sample", sample))
    check_crlf("LICENSE.txt", licence)
    with open(LICENSE, "rb") as f:
        if licence.replace(b"\r\n", b"\n") != f.read():
            fail("LICENSE.txt is not the licence of " + LICENSE)
    check_sum_file(path)
    print("package ok: %s (%s, file version %s)" % (path, ", ".join(names), file_version))


if __name__ == "__main__":
    main()
