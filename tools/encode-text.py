#!/usr/bin/env python3
"""Writes a UTF-8 text file as Shift_JIS (code page 932) with CR LF line ends,
replacing @NAME@ placeholders given as NAME=VALUE arguments.

    tools/encode-text.py IN OUT [NAME=VALUE ...]

Lines between "@@IF PLACEHOLDER_SITE@@" and "@@ELSE@@" (or "@@END@@") are
kept only when SITE_BASE_URL is the project's default address
(DEFAULT_SITE_BASE_URL), which reaches no real site; those between
"@@ELSE@@" and "@@END@@" only when it is another, which the texts then name.
"""
import sys

CONDITIONS = ("PLACEHOLDER_SITE",)


def conditions(values):
    """The truth of each condition for the given NAME=VALUE values."""
    site = values.get("SITE_BASE_URL")
    default = values.get("DEFAULT_SITE_BASE_URL")
    return {"PLACEHOLDER_SITE": site is None or site == default}


def render(text, values):
    """`text` with its conditional blocks resolved and placeholders filled."""
    truth = conditions(values)
    kept = []
    stack = []  # for each open block: whether its lines are kept
    for line in text.splitlines():
        word = line.strip()
        if word.startswith("@@IF ") and word.endswith("@@"):
            name = word[len("@@IF "):-2]
            if name not in CONDITIONS:
                raise ValueError("unknown condition: " + name)
            stack.append(truth[name])
            continue
        if word == "@@ELSE@@":
            if not stack:
                raise ValueError("@@ELSE@@ without @@IF")
            stack[-1] = not stack[-1]
            continue
        if word == "@@END@@":
            if not stack:
                raise ValueError("@@END@@ without @@IF")
            stack.pop()
            continue
        if all(stack):
            kept.append(line)
    if stack:
        raise ValueError("@@IF without @@END@@")
    out = "\n".join(kept)
    for name, value in values.items():
        out = out.replace("@" + name + "@", value)
    return out


def main() -> None:
    source, target, *pairs = sys.argv[1:]
    values = dict(pair.split("=", 1) for pair in pairs)
    with open(source, encoding="utf-8") as f:
        text = render(f.read(), values)
    with open(target, "wb") as f:
        f.write("".join(line + "\r\n" for line in text.splitlines()).encode("cp932"))


if __name__ == "__main__":
    main()
