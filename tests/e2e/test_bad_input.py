#!/usr/bin/env python3
"""Bad input, end to end: the real host program hakobune drives the real
plug-in over places, code lists and pages that no well-behaved site or host
would give.

    test_bad_input.py --build-dir BUILD --source-dir SOURCE [--emulator RUNNER]
                      [unittest arguments]

The arguments are those of test_hakobune.py, whose stages, site folders and
output-file checker these tests use. For every case: the program ends in time
with status 0, the output file (when there is one) reads back as lines of 68
columns byte-wise and as Shift_JIS, the host's dictionaries and
"Setting.ini" are untouched, and nothing is written but "Temp.html" and the
output file.

The very large inputs (pages of 40 MB, a million lines, lines of 10 MB, a
code list of 100,000 lines) are made at test time in the case's temporary
folder. KANADEYA_LARGE_INPUTS=0 in the environment leaves them out, for
builds that run many times slower (the sanitizers).
"""
import os
import random
import shutil
import unittest

import test_hakobune as e2e
from test_hakobune import COL_CODE, COL_TITLE, check_import_file, column

LARGE = os.environ.get("KANADEYA_LARGE_INPUTS", "1") != "0"
large_input = unittest.skipUnless(LARGE, "KANADEYA_LARGE_INPUTS=0")

OUTPUT_NOT_WRITTEN_MESSAGE = "取り込みファイルを書き込めませんでした。"
COL_AUTHOR2, COL_OTHERS, COL_PUBLISHER, COL_LABEL, COL_MEMO = 8, 10, 13, 14, 37

BOOK = b"9784888100113"        # a code the host's check accepts
OTHER_BOOK = b"9784888300056"


def marker(text):
    return text.encode("euc_jp")


NAME_MARK = marker('<div id="SyosaiItem">商品名：</div>')
PUBLISHER_MARK = marker('<div id="SyosaiItem">出版社：</div>')
GENRE_MARK = marker('<div id="SyosaiItem">ジャンル名：</div>')
PRICE_MARK = marker('<div id="SyosaiItem">定価：</div>')
MEMO_MARK = marker('<div id="SyosaiItem">一口メモ：</div>')
DATE_MARK = marker('<div id="SyosaiItem">初版日：</div>')
CONTENTS_START = marker("<!-- 収載内容 start -->")
CONTENTS_END = marker("<!-- 収載内容 end -->")
CONTENTS_ITEM = b'<div id="SyusaiItemName">'
ITEM_END = b"<!-- SysSyusaiNaiyou end -->"
IMAGE_MARK = b'<div align="center"><img src="'


def author_row(credit):
    """The author row of a detail page for `credit` (EUC-JP bytes)."""
    return marker("<td>著者</td>") + b'<td><a href="/search/author.php?Key=' + credit + b'">a</a>'


def page(*lines):
    """A detail page: the lines given (bytes), then the five lines at the end
    that are never tested for markers."""
    return b"\n".join(list(lines) + [b"<p>-</p>"] * 5) + b"\n"


def snapshot(root):
    """Every file and folder below `root`: relative path -> bytes, or None
    for a folder."""
    found = {}
    for folder, folders, files in os.walk(root):
        for name in folders:
            found[os.path.relpath(os.path.join(folder, name), root)] = None
        for name in files:
            path = os.path.join(folder, name)
            with open(path, "rb") as f:
                found[os.path.relpath(path, root)] = f.read()
    return found


class BadInput(unittest.TestCase):
    """A stage laid out as the catalogue application is installed: the
    sample dictionaries in the data directory, the sample "Setting.ini"
    beside the program."""

    def stage(self, dictionaries=True):
        examples = os.path.join(e2e.OPTIONS.source_dir, "examples")
        stage = e2e.Stage(self, settings=e2e.read(os.path.join(examples, "Setting.ini")))
        if dictionaries:
            for name in os.listdir(os.path.join(examples, "data")):
                shutil.copy2(os.path.join(examples, "data", name), stage.data)
        return stage

    def lookup(self, stage, *args, codes=None, out="out.csv", written=("out.csv",)):
        """Runs hakobune lookup; checks the status, the output file and that
        nothing changed but "Temp.html", the list of codes to try again and
        the files named in `written`
        (relative to the stage). Returns the result and the output lines
        (None when there is no output file)."""
        before = snapshot(stage.folder)
        result = stage.lookup(*args, codes=codes, out=out)
        self.assertEqual(0, result.status, result.stderr_lines[-5:])
        after = snapshot(stage.folder)
        allowed = {os.path.join("data", "Temp.html"), os.path.join("data", e2e.RETRY_LIST),
                   os.path.join("data", e2e.DATA_LOCK), "codes.txt"} | set(written)
        # Books the import file could not take are kept beside the list.
        changed = {path for path in before.keys() | after.keys()
                   if before.get(path, b"") != after.get(path, b"")
                   and not os.path.basename(path).startswith("kanadeya-books-")}
        self.assertEqual(set(), changed - allowed, "the run touched these")
        output = None if os.path.isdir(stage.path(out)) else stage.output(out)
        lines = None if output is None else check_import_file(self, output)
        return result, lines


# --- Places that are not what they should be ---------------------------------------

class Places(BadInput):

    def test_output_folder_does_not_exist(self):
        # The books are found, but the file cannot be written: the user is
        # told, rather than the run reporting success with nothing written.
        stage = self.stage()
        stage.site().book(BOOK, "本")
        result, lines = self.lookup(stage, codes=BOOK, out=os.path.join("missing", "out.csv"))
        self.assertIsNone(lines)
        self.assertFalse(os.path.exists(stage.path("missing")))
        self.assertEqual(OUTPUT_NOT_WRITTEN_MESSAGE, result.messages[0].splitlines()[0])

    def test_output_path_is_a_folder(self):
        # A folder where the output file should be is neither deleted nor
        # written into.
        stage = self.stage()
        stage.site().book(BOOK, "本")
        stage.write(os.path.join("out.csv", "keep.txt"), b"keep")
        result, lines = self.lookup(stage, codes=BOOK)
        self.assertIsNone(lines)
        self.assertEqual(OUTPUT_NOT_WRITTEN_MESSAGE, result.messages[0].splitlines()[0])
        self.assertEqual(b"keep", e2e.read(stage.path("out.csv", "keep.txt")))

    def test_temp_page_is_a_folder(self):
        # No page can be downloaded: every code is skipped, the folder and
        # what it holds stay.
        stage = self.stage()
        stage.site().book(BOOK, "本")
        stage.write(os.path.join("data", "Temp.html", "keep.txt"), b"keep")
        result, lines = self.lookup(stage, codes=BOOK + b"\r\n" + OTHER_BOOK)
        self.assertEqual([], lines)
        self.assertTrue(e2e.shows(result, e2e.report(2, 0, not_fetched=2)))
        self.assertEqual(b"keep", e2e.read(stage.path("data", "Temp.html", "keep.txt")))

    def test_dictionaries_and_settings_that_are_folders(self):
        # Each read as a missing file: the book is found with what the page
        # gives and the settings' defaults.
        stage = self.stage()
        for name in ("AuthDB.dat", "PubDB.dat", "LabelsDB.dat"):
            os.remove(os.path.join(stage.data, name))
            stage.write(os.path.join("data", name, "keep.txt"), b"keep")
        os.remove(stage.path("Setting.ini"))
        stage.write(os.path.join("Setting.ini", "keep.txt"), b"keep")
        stage.site().book(BOOK, "本")
        result, lines = self.lookup(stage, codes=BOOK)
        self.assertEqual([], result.messages)
        [line] = lines
        self.assertEqual(("本", "", "購入", "0", "既読"),
                         (column(line, COL_TITLE), column(line, COL_PUBLISHER),
                          column(line, e2e.COL_PURCHASE), column(line, e2e.COL_TAX),
                          column(line, e2e.COL_READ)))


# --- Code lists ---------------------------------------------------------------------

class CodeLists(BadInput):

    @large_input
    def test_hundred_thousand_lines(self):
        # Every thousandth line is a book; the others fail the host's check.
        # No dictionaries: they are read again for every code, which under
        # Wine costs milliseconds a code.
        stage = self.stage(dictionaries=False)
        stage.site().book(BOOK, "本")
        codes = [BOOK if i % 1000 == 999 else b"x%d" % i for i in range(100000)]
        result, lines = self.lookup(stage, codes=b"\r\n".join(codes))
        self.assertEqual(100, len(lines))
        self.assertEqual(100000, len(result.progress))
        self.assertEqual("[100000/100000] 9784888100113", result.progress[-1])

    @large_input
    def test_code_of_ten_megabytes(self):
        # Refused by the code check, or, without it, a search key that names
        # no page: skipped either way, and the run goes on.
        for check in ([], ["--no-check"]):
            with self.subTest(check=check):
                stage = self.stage()
                stage.site().book(BOOK, "本")
                huge = b"9" * (10 << 20)
                result, lines = self.lookup(stage, "--quiet", *check,
                                            codes=huge + b"\r\n" + BOOK)
                self.assertEqual([BOOK.decode()], [column(l, COL_CODE) for l in lines])

    def test_zero_bytes_end_the_list(self):
        stage = self.stage()
        stage.site().book(BOOK, "本")
        stage.site().book(OTHER_BOOK, "別")
        result, lines = self.lookup(stage, codes=BOOK + b"\r\n97848\x00" + OTHER_BOOK + b"\r\n")
        self.assertEqual(["[1/2] 9784888100113", "[2/2] 97848"], result.progress)
        self.assertEqual([BOOK.decode()], [column(l, COL_CODE) for l in lines])

    def test_codes_that_are_not_shift_jis(self):
        # Without the code check each code is its own search key. A lone lead
        # byte at the end of a code would take the comma after the column as
        # its second byte: the line drops it, and reads as 68 columns both
        # ways. A lead byte before CR LF ends its line all the same.
        codes = [b"978\x81", b"\x81", b"\xff\xfe", b"\x81\x22\x81\x2c", b"a\x81 b",
                 b"\x82\xa0\x82", b"\x00"]
        stage = self.stage()
        site = stage.site()
        for n, code in enumerate(codes[:-1]):
            site.search(code, e2e.search_page(b"id%d" % n))
            site.detail(b"id%d" % n, e2e.detail_page("本%d" % n))
        result, lines = self.lookup(stage, "--no-check", codes=b"\r\n".join(codes))
        self.assertEqual(len(codes) - 1, len(result.progress))
        self.assertEqual([b"978", b"", b"\xff\xfe", b"\x81\x81\x68\x81\x81\x43", b"a\x81 b",
                          b"\x82\xa0"], [l[COL_CODE - 1] for l in lines])
        self.assertEqual(["本%d" % n for n in range(len(codes) - 1)],
                         [column(l, COL_TITLE) for l in lines])

    def test_keys_that_name_paths(self):
        # The key goes into the search URL as it stands; the host finds its
        # page under the escaped name, and nothing is written outside the
        # data directory, whatever the key says.
        keys = [b"../", b"../../Setting.ini", b"/", b"/etc/passwd", b"\\", b"..\\..\\x",
                b"%", b"%2e%2e%2f", b"data/Temp.html", b"C:\\x"]
        stage = self.stage()
        site = stage.site()
        for n, key in enumerate(keys):
            site.book(key, "本%d" % n)
        result, lines = self.lookup(stage, "--no-check", codes=b"\r\n".join(keys))
        self.assertEqual([k.decode() for k in keys], [column(l, COL_CODE) for l in lines])
        self.assertEqual(["本%d" % n for n in range(len(keys))],
                         [column(l, COL_TITLE) for l in lines])


# --- Detail pages ------------------------------------------------------------------

class DetailPages(BadInput):

    def lookup_page(self, detail, *args):
        """Looks up one book whose detail page is `detail` (bytes)."""
        stage = self.stage()
        site = stage.site()
        site.search(BOOK, e2e.search_page(b"p"))
        site.detail(b"p", detail)
        return self.lookup(stage, "--quiet", *args, codes=BOOK)

    @large_input
    def test_random_bytes_up_to_the_largest_page(self):
        # Forty megabytes are no page of the site's: not read. Fifteen as they
        # come: a zero byte soon ends the page, too short, skipped. Without
        # zero bytes the whole page is read, markers spliced in at random
        # places giving garbage values.
        rng = random.Random(7)
        _, lines = self.lookup_page(rng.randbytes(40 << 20))
        self.assertEqual([], lines)
        raw = rng.randbytes(15 << 20)
        _, lines = self.lookup_page(raw)
        self.assertEqual([], lines)

        raw = raw.replace(b"\x00", b"\x01")
        chunks = [raw[i:i + (1 << 16)] for i in range(0, len(raw), 1 << 16)]
        marks = [NAME_MARK, PUBLISHER_MARK, GENRE_MARK, PRICE_MARK, MEMO_MARK, DATE_MARK,
                 CONTENTS_START, CONTENTS_END, CONTENTS_ITEM, ITEM_END, IMAGE_MARK,
                 author_row(b"")]
        spliced = NAME_MARK + b"\n" + b"".join(
            chunk + b"\n" + rng.choice(marks) + chunk[:rng.randrange(300)] for chunk in chunks)
        self.assertLess(len(spliced), 16 << 20)
        _, lines = self.lookup_page(spliced)
        self.assertEqual(1, len(lines))

    @large_input
    def test_a_million_lines(self):
        # Memo lines every 10,000 lines, a contents block over the whole page.
        lines = [NAME_MARK, marker("百万行の本"), CONTENTS_START]
        for i in range(1, 1000000):
            if i % 10000 == 0:
                lines += [MEMO_MARK, b"m%d" % (i // 10000)]
            elif i % 100000 == 1:
                lines += [CONTENTS_ITEM + b"%d</div>" % i, b"<br>" + ITEM_END]
            else:
                lines.append(b"<p>%d</p>" % i)
        lines.append(CONTENTS_END)
        _, [line] = self.lookup_page(page(*lines))
        self.assertEqual("百万行の本", column(line, COL_TITLE))
        memo = column(line, COL_MEMO)
        # The contents block comes first (its start is on line 2), each item
        # as CR LF, its text, the next line with "<br>" as CR LF, and a CR LF
        # for the item-end marker; then the memo lines in page order.
        self.assertTrue(memo.startswith("1$$" + ITEM_END.decode() + "$$$$100001$$"), memo[:80])
        self.assertEqual(10, memo.count(ITEM_END.decode()))
        self.assertTrue(memo.endswith("$$m1m2m3" + "".join("m%d" % i for i in range(4, 100))),
                        memo[-80:])

    def test_page_of_one_long_line(self):
        # Without a line break the page has fewer than six lines: skipped.
        size = (10 << 20) if LARGE else (1 << 16)
        _, lines = self.lookup_page(NAME_MARK + b"a" * size)
        self.assertEqual([], lines)

    @large_input
    def test_value_lines_of_megabytes(self):
        # A name of a million bracketed notes. A credit of a million
        # authors: the first supervises, the others have no role word and so
        # come first; a thousand of them have names of their own, the rest
        # name n1 to n999 again and again. A price of ten megabytes of blanks.
        # A publisher of five million tag ends and a genre of three million
        # tags, which leave nothing.
        name = marker("ピアノ曲集") + b"(ab)" * 2500000
        credit = marker("監修／") + marker("　").join(
            b"n%d" % (i % 1000) if i % 1000 else b"m%d" % i for i in range(1000000))
        price = b"1" + b" " * (10 << 20) + marker("円")
        # Over the largest page a site gives (16 MB), the page is not read;
        # without its publisher and genre it is read.
        _, lines = self.lookup_page(page(NAME_MARK, name, author_row(credit), PRICE_MARK, price,
                                         PUBLISHER_MARK, b"x>" * 5000000,
                                         GENRE_MARK, b"<i>" * 3000000 + b"G"))
        self.assertEqual([], lines)
        price = b"1" + b" " * (1 << 20) + marker("円")
        name = marker("ピアノ曲集") + b"(ab)" * 500000
        _, [line] = self.lookup_page(page(NAME_MARK, name, author_row(credit), PRICE_MARK, price,
                                          PUBLISHER_MARK, b"x>" * 500000,
                                          GENRE_MARK, b"<i>" * 300000 + b"G"))
        self.assertEqual(("", "G"), (column(line, COL_PUBLISHER), column(line, COL_LABEL)))
        self.assertEqual("ピアノ曲集", column(line, COL_TITLE))
        self.assertEqual("m1000", column(line, COL_AUTHOR2))
        others = column(line, COL_OTHERS).split("$$")
        self.assertEqual(998 + 999 + 1, len(others))
        self.assertEqual("m0 [監修]", others[-1])
        self.assertEqual("1", column(line, e2e.COL_PRICE))

    def test_truncated_euc_jp(self):
        # Pages that end, or lines that end, inside a two-byte character or
        # after a single-shift prefix: the values take what the conversion
        # gives, and the line still reads as 68 columns.
        cases = [
            page(NAME_MARK, marker("ピアノ") + b"\xa5", PUBLISHER_MARK, b"\x8e",
                 GENRE_MARK, b"\x8f\xa1") + b"\xa4",
            page(NAME_MARK, b"\xa4\r\n", MEMO_MARK, b"x\xa4") + b"\x8e",
            page(NAME_MARK, b"x", author_row(marker("著者／あ") + b"\xa4"), PRICE_MARK, b"\xb1,"),
        ]
        for detail in cases:
            with self.subTest(detail=detail[:60]):
                _, lines = self.lookup_page(detail)
                self.assertEqual(1, len(lines))


if __name__ == "__main__":
    e2e.main()
