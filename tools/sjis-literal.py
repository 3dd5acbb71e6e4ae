#!/usr/bin/env python3
"""Prints a UTF-8 text as a C++ string literal of its code page 932 bytes.

    tools/sjis-literal.py '商品名：'
    "\x8f\xa4\x95\x69\x96\xbc\x81\x46"

Every byte of a non-ASCII character is written as \\xNN; the literal is split where an
ASCII hex digit would otherwise continue an escape.
"""
import sys


def literal(text: str) -> str:
    out = []
    escaped = False
    for ch in text:
        if ord(ch) >= 0x80 or ord(ch) < 0x20:
            out.extend("\\x%02x" % b for b in ch.encode("cp932"))
            escaped = True
            continue
        if escaped and ch in "0123456789abcdefABCDEF":
            out.append('" "')
        escaped = False
        out.append("\\" + ch if ch in '"\\' else ch)
    return '"' + "".join(out) + '"'


if __name__ == "__main__":
    for arg in sys.argv[1:]:
        print(literal(arg))
