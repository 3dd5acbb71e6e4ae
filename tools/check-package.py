#!/usr/bin/env python3
"""Checks the release zip: exactly kanadeya.dll, kanadeya.ini.sample,
readme.txt and LICENSE; the guide and the sample in Shift_JIS with CR LF line
ends, the guide stating the oldest Windows; the DLL's version resource saying
1.1.3.0 (file) and 1.1.3 (product).

    tools/check-package.py build/win32/kanadeya-1.1.3-win32.zip 1.1.3
"""
import struct
import sys
import zipfile


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


def japanese_text(name: str, data: bytes) -> str:
    """The text of a Shift_JIS file with CR LF line ends."""
    try:
        text = data.decode("cp932")
    except UnicodeDecodeError:
        fail(name + " is not Shift_JIS")
    if b"\n" in data.replace(b"\r\n", b"") or not data.endswith(b"\r\n"):
        fail(name + " does not use CR LF line ends")
    return text


def main() -> None:
    path, version = sys.argv[1], sys.argv[2]
    with zipfile.ZipFile(path) as archive:
        names = sorted(archive.namelist())
        if names != ["LICENSE", "kanadeya.dll", "kanadeya.ini.sample", "readme.txt"]:
            fail("the zip holds %s" % names)
        dll = archive.read("kanadeya.dll")
        readme = archive.read("readme.txt")
        sample = archive.read("kanadeya.ini.sample")
    if not dll.startswith(b"MZ"):
        fail("kanadeya.dll is not a Windows module")
    fixed = dll.find(struct.pack("<I", 0xFEEF04BD))
    if fixed < 0:
        fail("kanadeya.dll has no version resource")
    ms, ls = struct.unpack_from("<II", dll, fixed + 8)
    file_version = "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
    if file_version != version + ".0":
        fail("file version %s" % file_version)
    strings = version_strings(dll)
    if strings.get("ProductVersion") != version:
        fail("product version %r" % strings.get("ProductVersion"))
    if strings.get("ProductName") != "ISBN検索kanadeya":
        fail("product name %r" % strings.get("ProductName"))
    text = japanese_text("readme.txt", readme)
    japanese_text("kanadeya.ini.sample", sample)
    if version not in text:
        fail("readme.txt does not name version " + version)
    if "Windows Vista 以降" not in text:
        fail("readme.txt does not state the oldest Windows")
    print("package ok: %s (%s, file version %s)" % (path, ", ".join(names), file_version))


if __name__ == "__main__":
    main()
