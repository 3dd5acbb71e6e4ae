#!/usr/bin/env python3
"""Writes a UTF-8 text file as Shift_JIS (code page 932) with CR LF line ends,
replacing @NAME@ placeholders given as NAME=VALUE arguments.

    tools/encode-text.py IN OUT [NAME=VALUE ...]
"""
import sys


def main() -> None:
    source, target, *pairs = sys.argv[1:]
    with open(source, encoding="utf-8") as f:
        text = f.read()
    for pair in pairs:
        name, value = pair.split("=", 1)
        text = text.replace("@" + name + "@", value)
    lines = text.splitlines()
    with open(target, "wb") as f:
        f.write("".join(line + "\r\n" for line in lines).encode("cp932"))


if __name__ == "__main__":
    main()
