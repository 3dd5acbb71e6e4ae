#!/usr/bin/env python3
"""Writes the fuzz targets' seed corpora (fuzz/corpus/<target>/) and their
libFuzzer dictionaries (fuzz/dict/<target>.dict) from the sample catalogue in
examples/, the first column of the unit tests' tables and the system texts.

Run it again after changing the sample catalogue or the tests; it replaces
the seeds it wrote before. Seeds are named by the SHA-1 of their bytes, as
libFuzzer names the inputs it adds.
"""
import csv
import hashlib
import io
import pathlib
import re
import shutil

ROOT = pathlib.Path(__file__).resolve().parent.parent
FUZZ = ROOT / "fuzz"
EXAMPLES = ROOT / "examples"


def frame(text: bytes) -> bytes:
    """One text as FuzzedDataProvider.ConsumeRandomLengthString reads it: a
    backslash doubled, the end marked by a backslash and another byte."""
    return text.replace(b"\\", b"\\\\") + b"\\\n"


def c_literals(line: str):
    """The byte strings of the C string literals of one source line, adjacent
    literals joined (as in {"3\\x8a" "\\xaa", ...})."""
    strings, current, i, joined = [], None, 0, False
    while i < len(line):
        c = line[i]
        if c == '"':
            i += 1
            buf = bytearray()
            while i < len(line) and line[i] != '"':
                if line[i] == "\\":
                    e = line[i + 1]
                    if e == "x":
                        j = i + 2
                        while j < len(line) and line[j] in "0123456789abcdefABCDEF":
                            j += 1
                        buf.append(int(line[i + 2:j], 16) & 0xFF)
                        i = j
                        continue
                    buf += {"n": b"\n", "r": b"\r", "t": b"\t", "0": b"\0"}.get(e, e.encode())
                    i += 2
                    continue
                buf += line[i].encode()
                i += 1
            i += 1
            if joined and current is not None:
                current += buf
            else:
                current = bytes(buf)
            joined = True
            continue
        if c in " \t":
            i += 1
            continue
        if current is not None:
            strings.append(current)
            current = None
        joined = False
        i += 1
    if current is not None:
        strings.append(current)
    return strings


def sjis_literals(line: str) -> str:
    """The line with each SJ("...") (UTF-8 text) written as the literal of its Shift_JIS bytes."""
    def hex_literal(m):
        text = c_literals('"' + m.group(1) + '"')[0].decode("utf-8")
        return '"' + "".join("\\x%02x" % b for b in text.encode("cp932")) + '"'
    return re.sub(r'SJ\("((?:\\.|[^"\\])*)"\)', hex_literal, line)


def table_inputs(test_file: str):
    """The first string of every table row ({"...", ...} or {SJ("..."), ...}) of a test file."""
    out = []
    for line in (ROOT / "tests" / test_file).read_text(encoding="utf-8").splitlines():
        line = sjis_literals(line)
        if re.match(r'\s*\{"', line):
            literals = c_literals(line)
            if literals:
                out.append(literals[0])
    return out


def system_texts():
    """Every system text as (Shift_JIS bytes, UTF-8 form): each module's
    system_texts.inc and the settings' fault lists."""
    out = []
    for inc in sorted(ROOT.glob("*/system_texts.inc")) + sorted(ROOT.glob("plugin/*_faults.inc")):
        for line in inc.read_text(encoding="utf-8").splitlines():
            if line.startswith(("KANADEYA_TEXT(", "KANADEYA_FAULT(")):
                literals = c_literals(line)
                if len(literals) >= 2:
                    out.append((literals[0], literals[1].decode("utf-8")))
    return out


def write_corpus(target: str, seeds):
    folder = FUZZ / "corpus" / target
    if folder.exists():
        shutil.rmtree(folder)
    folder.mkdir(parents=True)
    for seed in dict.fromkeys(seeds):  # in order, without repeats
        (folder / hashlib.sha1(seed).hexdigest()).write_bytes(seed)


def write_dict(target: str, entries):
    lines = ["# libFuzzer dictionary of " + target + ", written by fuzz/make-corpus.py"]
    for entry in dict.fromkeys(e for e in entries if e):
        lines.append('"' + "".join(
            chr(b) if 0x20 <= b < 0x7F and chr(b) not in '"\\' else "\\x%02X" % b
            for b in entry) + '"')
    (FUZZ / "dict").mkdir(exist_ok=True)
    (FUZZ / "dict" / (target + ".dict")).write_text("\n".join(lines) + "\n", encoding="ascii")


def main():
    details = sorted((EXAMPLES / "site" / "detail").glob("*.html"))
    searches = sorted((EXAMPLES / "site" / "search").glob("*.html"))
    pages = [p.read_bytes() for p in details] + [(ROOT / "tests/data/pages/book.html").read_bytes()]
    data = EXAMPLES / "data"
    authors = (data / "AuthDB.dat").read_bytes()
    publishers = (data / "PubDB.dat").read_bytes()
    labels = (data / "LabelsDB.dat").read_bytes()
    settings = (EXAMPLES / "Setting.ini").read_bytes()
    codes = (EXAMPLES / "codes.txt").read_bytes()
    texts = system_texts()
    sjis_texts = [b for b, _ in texts]
    euc_texts = []
    for _, utf8 in texts:
        try:
            euc_texts.append(utf8.encode("euc_jp"))
        except UnicodeEncodeError:
            pass

    # The EUC-JP conversion: pages, and the odd bytes (single shift, the
    # three-byte prefix, a pair cut at the end).
    write_corpus("euc_jp", pages[:2] + [b"\xa4\xa2a\x8e\xb1\x8f\xb0\xa1\xff\x80", b"\xa4"])

    # Markup helpers: pattern, second text, two numbers, the text.
    markup_lines = [line for page in pages[:2]
                    for line in page.decode("euc_jp", "replace").encode("cp932", "replace").splitlines()]
    markup = [frame(b"<") + frame(b">") + b"\x00\x02\x00\x03" + line for line in markup_lines[:12]]
    markup += [frame(b"|") + frame(b"") + b"\x00\x02\x00\x05" + line.rstrip(b"\r\n")
               for line in authors.splitlines()]
    markup += [frame(b"[") + frame(b"]") + b"\x00\x01\x00\x04" + b"]a[b]c&lt;d&gt;<!-- e -->&nbsp;"]
    write_corpus("markup", markup)
    write_dict("markup", [b"<!--", b"-->", b"&lt;", b"&gt;", b"&nbsp;", b"\x81\x83!--",
                          b"--\x81\x84", b"|", b"\x83\x7c"])

    # Title and volume: the names of the tests' tables; no volume known (the
    # last byte is the flag).
    write_corpus("title_volume", [name + b"\x00" for name in table_inputs("fields/title_volume_test.cpp")])
    write_dict("title_volume", [b for b in sjis_texts if len(b) <= 8]
               + [b"VOL", b"NO", b"Vol.", b"No.", b"(", b")", b" "])

    # Author credits: dictionary, title, one credit row, the page's
    # separators and all three slots (flags at the end, last consumed first).
    credit_rows = table_inputs("fields/author_credit_test.cpp")
    write_corpus("author_credit",
                 [frame(authors if i % 2 else b"") + frame(b"") + frame(credit) + b"\x01\x01\x01\x01"
                  for i, credit in enumerate(credit_rows)])
    write_dict("author_credit", [b for b in sjis_texts if len(b) <= 16] + [b"\x81\x5e", b"\x81\x40"])

    # First-edition dates: the texts of the tests' tables, as they are.
    write_corpus("edition_date", table_inputs("fields/edition_date_test.cpp"))
    write_dict("edition_date", [b"\x94\x4e", b"\x8c\x8e", b"\x93\xfa", b".", b"/", b"19", b"20"])

    # Dictionaries: code, publisher, genre, name, the three files.
    dictionaries = []
    for code, publisher, label, name in [
            (b"9784888100113", b"", b"", b"\x95\x97\x8c\xa9\x93\xa7"),
            (b"4888300054", b"\x82\xd0\x82\xce\x82\xe8\x8a\x79\x95\x88\x8f\x6f\x94\xc5",
             b"\x83\x73\x83\x41\x83\x6d\x81\x45\x83\x5c\x83\x8d", b"\x96\x6b\x8f\xf0\x93\x7e\x8e\x71"),
            (b"488840002400730950", b"", b"\x8d\x87\x8f\xa5", b"")]:
        # Flags, last consumed first: the publisher dictionary kept or given
        # its bytes again before each lookup, the three files present.
        for kept_publishers in (b"\x00", b"\x01"):
            dictionaries.append(frame(code) + frame(publisher) + frame(label) + frame(name)
                                + frame(authors) + frame(publishers) + labels + kept_publishers
                                + b"\x01\x01\x01")
    write_corpus("dictionaries", dictionaries)
    write_dict("dictionaries", [b"|", b"\r\n", b"|\r\n", b"9784", b"4"]
               + [b for b in sjis_texts if len(b) <= 4])

    # Output line: the books of the sample import file, fields from columns.
    sample = (ROOT / "tests/e2e/expected/sample.csv").read_bytes()
    records = []
    for row in csv.reader(io.StringIO(sample.decode("cp932"), newline="")):
        if len(row) != 68:
            continue
        fields = [c for i, c in enumerate(row, 1) if i not in (20, 41)]
        records.append(b"".join(frame(f.replace("$$", "\r\n").encode("cp932")) for f in fields))
    records.append(b"".join(frame(t) for t in [b"a b", b"\x81\x40", b"x\ty", b"\"q\"", b"c,d",
                                               b"e\nf", b"g\r\nh", b"\x83"]))
    write_corpus("output_line", records)

    # Detail page: the sample pages with no private profile, no dictionary,
    # no stop; one with the private profile.
    write_corpus("detail_page", [p + b"\x00\x00\x00" for p in pages] + [pages[0] + b"\x00\x00\x01"])
    page_dict = euc_texts + [b"<br>", b"&amp;", b"&quot;", b"&lt;", b"&gt;", b"\x8e", b"\x8f"]
    write_dict("detail_page", page_dict)

    # Whole run: code list, key, search page, the three dictionaries,
    # "Setting.ini", detail page; then the host's choices, last consumed
    # first: dictionaries just written (or long ago), no null code list,
    # private profile off, all files present, both downloads served, no stop,
    # no missing function, no connection failure, the code is its own key.
    runs = []
    for (search, detail), old in zip([("9784888100113", "K1001"), ("4888300054", "K2001"),
                                      ("9784888400107", "K3001")], [0, 1, 0]):
        tail = bytes([old, 1, 0, 1, 1, 1, 1, 1, 1, 0, 255, 0, 0])
        runs.append(frame(search.encode()) + frame(b"") +
                    frame((EXAMPLES / "site/search" / (search + ".html")).read_bytes()) +
                    frame(authors) + frame(publishers) + frame(labels) + frame(settings) +
                    (EXAMPLES / "site/detail" / (detail + ".html")).read_bytes() + tail)
    runs.append(frame(codes) + frame(b"") + frame(searches[0].read_bytes()) + frame(authors) +
                frame(publishers) + frame(labels) + frame(settings) + details[0].read_bytes() +
                bytes([1, 1, 0, 1, 1, 1, 1, 1, 1, 0, 255, 0, 0]))
    write_corpus("whole_run", runs)
    write_dict("whole_run", page_dict + [b"<td><a href=\"/detail/view.php?id=", b"[Entry]",
                                         b"PurachaseSet=", b"TaxSet=", b"ReadSet=", b"\r\n"])

    # The conversion's dictionary: the page texts in EUC-JP.
    write_dict("euc_jp", euc_texts)


if __name__ == "__main__":
    main()
