#!/usr/bin/env python3
"""End-to-end tests: the real host program hakobune drives the real plug-in.

    test_hakobune.py --build-dir BUILD --source-dir SOURCE [--emulator RUNNER]
                     [--update-expected] [unittest arguments]

BUILD holds hakobune and libkanadeya.so, or hakobune.exe and kanadeya.dll,
which then run through RUNNER (cmake/wine-run.sh). Every case stages the host
program and the plug-in (and a "Setting.ini" when it needs one) in a folder of
its own, with its own data directory and, where the sample catalogue does not
serve, a catalogue site folder of its own.

Under Wine the plug-in's messages go to message boxes that return at once;
the tests read them from the OutputDebugStringA trace (WINEDEBUG=+debugstr).
Natively the plug-in writes them to standard error in UTF-8.

--update-expected rewrites tests/e2e/expected/ from the sample catalogue run.
Do so only after checking the new run by eye with `hakobune show`.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

OPTIONS = None  # the parsed command line, set in main()

NO_CODES_MESSAGE = "検索するISBNを取得できませんでした"
NO_CONNECTION_MESSAGE = "インターネットに接続されていません"
HOST_MISSING_SUFFIX = "がありません。"
FUNCTION_MISSING_MESSAGE = "関数がありません。ハコブネ、または、プラグインのバージョンが古い可能性があります。"

COLUMN_COUNT = 68
COL_CODE, COL_TITLE, COL_VOLUME, COL_CCODE = 1, 2, 5, 11
COL_PURCHASE, COL_PRICE, COL_TAX, COL_TAX2, COL_READ = 21, 22, 23, 25, 47


# --- The import file ---------------------------------------------------------

def is_lead_byte(b):
    return 0x81 <= b <= 0x9F or 0xE0 <= b <= 0xFC


def read_import_file(data, sjis):
    """The lines of an import file as lists of column byte strings. With
    `sjis`, a lead byte takes the byte after it along, whatever it is.
    Raises ValueError when a line does not read: an unclosed quote, text after
    a closing quote, a CR or LF outside quotes, a line without its CR LF."""
    lines = []
    i, n = 0, len(data)

    def take(item, i):
        if sjis and is_lead_byte(data[i]) and i + 1 < n:
            item += data[i:i + 2]
            return i + 2
        item.append(data[i])
        return i + 1

    while i < n:
        number = len(lines) + 1
        columns = []
        while True:
            item = bytearray()
            if data[i:i + 1] == b'"':
                i += 1
                while True:
                    if i >= n:
                        raise ValueError("line %d: a quote is not closed" % number)
                    if data[i] == 0x22:
                        if data[i + 1:i + 2] == b'"':
                            item.append(0x22)
                            i += 2
                            continue
                        i += 1
                        break
                    i = take(item, i)
                if i < n and data[i] != 0x2C and data[i:i + 2] != b"\r\n":
                    raise ValueError("line %d: text after a closing quote" % number)
            else:
                while i < n and data[i] != 0x2C and data[i:i + 2] != b"\r\n":
                    if data[i] in (0x0D, 0x0A):
                        raise ValueError("line %d: CR or LF outside quotes" % number)
                    i = take(item, i)
            columns.append(bytes(item))
            if data[i:i + 1] == b",":
                i += 1
                continue
            break
        if data[i:i + 2] != b"\r\n":
            raise ValueError("line %d does not end in CR LF" % number)
        i += 2
        lines.append(columns)
    return lines


def check_import_file(test, data):
    """The one check of every output file: each line ends in CR LF and reads
    as exactly 68 columns, byte by byte and as Shift_JIS, the same both ways.
    Returns the lines (lists of column byte strings)."""
    try:
        by_byte = read_import_file(data, sjis=False)
        by_character = read_import_file(data, sjis=True)
    except ValueError as e:
        test.fail("the output file does not read: %s\n%r" % (e, data))
    test.assertEqual(by_byte, by_character, "byte and Shift_JIS readings differ")
    for number, columns in enumerate(by_byte, 1):
        test.assertEqual(COLUMN_COUNT, len(columns), "line %d" % number)
        test.assertEqual(b"", columns[19], "column 20 is always empty")
        test.assertEqual(b"", columns[40], "column 41 is always empty")
    return by_byte


def column(line, number):
    """Column `number` (1-based) of a line as text."""
    return line[number - 1].decode("cp932")


# --- Pages of a catalogue site ------------------------------------------------

def escape_key(raw):
    """The host's file name for a search key or detail id (bytes)."""
    plain = b"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz_.-"
    return "".join(chr(b) if b in plain else "%%%02X" % b for b in raw)


def search_page(detail_id, first_line=False):
    """A search result page linking to `detail_id` (bytes), on a later line
    or, with `first_line`, only on the page's first line."""
    link = b'<td><a href="/detail/view.php?id=' + detail_id + b'">hit</a></td>'
    if first_line:
        return link + b"\n<p>1</p>\n</body>\n"
    return b"<html><body>\n<table><tr>\n" + link + b"\n</tr></table>\n</body></html>\n"


def detail_page(title, price=None, lines=None):
    """A detail page in EUC-JP with a product name and maybe a price."""
    body = ["<html>", "<body>", '<div id="SyosaiItem">商品名：</div>', "<div>%s</div>" % title]
    if price is not None:
        body += ['<div id="SyosaiItem">定価：</div>', "<div>%s</div>" % price]
    body += ["<p>-</p>"] * 5 + ["</body></html>"]
    if lines is not None:
        body = body[:lines]
    return "\n".join(body).encode("euc_jp") + b"\n"


class Site:
    """A catalogue site folder: search pages by key, detail pages by id."""

    def __init__(self, root):
        self.root = root
        os.makedirs(os.path.join(root, "search"), exist_ok=True)
        os.makedirs(os.path.join(root, "detail"), exist_ok=True)

    def put(self, relative, data):
        path = os.path.join(self.root, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)

    def search(self, key, page):
        self.put(os.path.join("search", escape_key(key) + ".html"), page)

    def detail(self, detail_id, page):
        self.put(os.path.join("detail", escape_key(detail_id) + ".html"), page)

    def book(self, key, title, price=None):
        """A search for `key` that finds one book, whose id is made from the key."""
        detail_id = b"id-" + key
        self.search(key, search_page(detail_id))
        self.detail(detail_id, detail_page(title, price))


# --- Running the program --------------------------------------------------------

class Result:
    def __init__(self, status, stdout, stderr, win32):
        self.status = status
        self.stdout = stdout
        self.stderr_bytes = stderr
        self.win32 = win32

    @property
    def text(self):
        """Standard output as text; a Windows program's text-mode CR LF as LF."""
        return self.stdout.decode("utf-8", "replace").replace("\r\n", "\n")

    @property
    def stderr_lines(self):
        """Standard error as text lines, without the Wine trace."""
        lines = self.stderr_bytes.decode("utf-8", "replace").splitlines()
        return [l for l in lines if not re.match(r"^[0-9a-f]{4}:\w+:", l)]

    @property
    def progress(self):
        return [l for l in self.stderr_lines if l.startswith("[")]

    @property
    def messages(self):
        """What the plug-in showed the user."""
        if not self.win32:
            host = re.compile(r"^(\[|hakobune: |\d+ lines written to |no output file written$)")
            return [l for l in self.stderr_lines if not host.match(l)]
        found = []
        for quoted in re.findall(rb'OutputDebugStringA "((?:[^"\\]|\\.)*)"', self.stderr_bytes):
            found.append(unescape_wine(quoted).decode("cp932", "replace"))
        return found


def unescape_wine(quoted):
    """The bytes of a string as Wine's debug trace prints it."""
    out = bytearray()
    i = 0
    simple = {ord("n"): 0x0A, ord("r"): 0x0D, ord("t"): 0x09}
    while i < len(quoted):
        b = quoted[i]
        if b == 0x5C and i + 1 < len(quoted):
            nxt = quoted[i + 1]
            if nxt == ord("x"):
                out.append(int(quoted[i + 2:i + 4], 16))
                i += 4
                continue
            out.append(simple.get(nxt, nxt))
            i += 2
            continue
        out.append(b)
        i += 1
    return bytes(out)


class Stage:
    """A folder holding the host program and the plug-in, as the catalogue
    application is installed, with a data directory beside them."""

    def __init__(self, test, plugin=True, host_name=None, settings=None):
        self.folder = tempfile.mkdtemp(prefix="hakobune-e2e-")
        test.addCleanup(shutil.rmtree, self.folder, True)
        self.win32 = OPTIONS.emulator is not None
        self.host = os.path.join(self.folder, host_name or host_program_name())
        shutil.copy2(os.path.join(OPTIONS.build_dir, host_program_name()), self.host)
        if plugin:
            shutil.copy2(os.path.join(OPTIONS.build_dir, plugin_file_name()), self.folder)
        if settings is not None:
            self.write("Setting.ini", settings)
        self.data = self.path("data")
        os.makedirs(self.data)

    def path(self, *parts):
        return os.path.join(self.folder, *parts)

    def write(self, relative, data):
        path = self.path(relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data.encode("cp932") if isinstance(data, str) else data)
        return path

    def site(self):
        return Site(self.path("site"))

    def arg(self, path):
        """A path as the program is given it."""
        if not self.win32:
            return path
        return "Z:" + path.replace("/", "\\")

    def run(self, *args):
        command = list(OPTIONS.emulator or []) + [self.host] + list(args)
        env = dict(os.environ)
        if self.win32:
            env["WINEDEBUG"] = "-all,+debugstr"
        # Output goes to files, not pipes: a wineserver that the program
        # starts inherits them and outlives it, and reading a pipe to its end
        # would wait for the server to exit.
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            completed = subprocess.run(command, cwd=self.folder, env=env, stdout=out,
                                       stderr=err, timeout=120)
            out.seek(0)
            err.seek(0)
            return Result(completed.returncode, out.read(), err.read(), self.win32)

    def lookup(self, *args, codes=None, site=True, out="out.csv"):
        """hakobune lookup with this stage's data directory, output file and
        site; `codes` (bytes) goes in a code list file."""
        command = ["lookup", "--data-dir", self.arg(self.data), "--out", self.arg(self.path(out))]
        if site:
            command += ["--site", self.arg(self.path("site"))]
        if codes is not None:
            command += ["--codes", self.arg(self.write("codes.txt", codes))]
        return self.run(*(command + list(args)))

    def output(self, out="out.csv"):
        """The output file's bytes, or None when there is none."""
        try:
            with open(self.path(out), "rb") as f:
                return f.read()
        except FileNotFoundError:
            return None


def host_program_name():
    return "hakobune.exe" if OPTIONS.emulator else "hakobune"


def plugin_file_name():
    return "kanadeya.dll" if OPTIONS.emulator else "libkanadeya.so"


def read(path):
    with open(path, "rb") as f:
        return f.read()


# --- The sample catalogue -------------------------------------------------------

class SampleCatalogue(unittest.TestCase):
    """The sample catalogue of examples/, as tools/run-example.sh runs it."""

    def test_lookup_and_show(self):
        examples = os.path.join(OPTIONS.source_dir, "examples")
        expected = os.path.join(OPTIONS.source_dir, "tests", "e2e", "expected")
        stage = Stage(self, settings=read(os.path.join(examples, "Setting.ini")))
        for name in os.listdir(os.path.join(examples, "data")):
            shutil.copy2(os.path.join(examples, "data", name), stage.data)
        out = stage.arg(stage.path("books.csv"))
        result = stage.run("lookup", "--data-dir", stage.arg(stage.data), "--out", out,
                           "--site", stage.arg(os.path.join(examples, "site")),
                           "--codes", stage.arg(os.path.join(examples, "codes.txt")))
        self.assertEqual(0, result.status, result.stderr_lines)
        self.assertEqual([], result.messages)
        output = stage.output("books.csv")
        lines = check_import_file(self, output)

        codes = read(os.path.join(examples, "codes.txt")).decode("ascii").split("\r\n")[:-1]
        # The plug-in passes the first 10 bytes of an 18-byte code.
        asked = [c[:10] if len(c) == 18 else c for c in codes]
        self.assertEqual(["[%d/%d] %s" % (i, len(codes), c) for i, c in enumerate(asked, 1)],
                         result.progress)
        self.assertEqual("%d lines written to %s" % (len(lines), out), result.stderr_lines[-1])

        # The host's dictionaries are read, never written; the last page stays.
        for name in os.listdir(os.path.join(examples, "data")):
            self.assertEqual(read(os.path.join(examples, "data", name)),
                             read(os.path.join(stage.data, name)), name)
        self.assertTrue(os.path.isfile(os.path.join(stage.data, "Temp.html")))

        shown = stage.run("show", out)
        self.assertEqual(0, shown.status, shown.stderr_lines)
        if OPTIONS.update_expected:
            os.makedirs(expected, exist_ok=True)
            with open(os.path.join(expected, "sample.csv"), "wb") as f:
                f.write(output)
            with open(os.path.join(expected, "sample-show.txt"), "wb") as f:
                f.write(shown.text.encode("utf-8"))
        self.assertEqual(read(os.path.join(expected, "sample.csv")), output)
        self.assertEqual(read(os.path.join(expected, "sample-show.txt")).decode("utf-8"),
                         shown.text)


# --- Code forms, skipped codes, settings ------------------------------------------

class CodeForms(unittest.TestCase):

    def test_eighteen_and_twenty_six_bytes(self):
        # The 18-byte form: code, classification code, price. The 26-byte form:
        # 13-byte code, 3 bytes not read, classification code, price digits.
        # No Setting.ini: the defaults.
        stage = Stage(self)
        site = stage.site()
        site.book(b"488810011X", "一")
        site.book(b"4000000004", "二")
        site.book(b"123456789X", "三", price="：1,500円（税込）")
        site.book(b"9784888100113", "四")
        site.book(b"9791000000015", "五")
        site.book(b"9784888400107", "六", price="980円")
        codes = [b"488810011X01930000",             # price 0000: none
                 b"400000000401930050",             # one leading zero goes
                 b"123456789X01931200",             # the page's price wins
                 b"97848881001131923192000000",     # six zeros: 0
                 b"9791000000015xyz007312a400",     # not a number: 0
                 b"97848884001071920073001200"]     # the page's price wins
        result = stage.lookup("--quiet", codes=b"\r\n".join(codes))
        self.assertEqual(0, result.status, result.stderr_lines)
        self.assertEqual([], result.progress)
        lines = check_import_file(self, stage.output())
        got = [(column(l, COL_CODE), column(l, COL_TITLE), column(l, COL_CCODE),
                column(l, COL_PRICE)) for l in lines]
        self.assertEqual([("488810011X", "一", "0193", ""),
                          ("4000000004", "二", "0193", "050"),
                          ("123456789X", "三", "0193", "1500"),
                          ("9784888100113", "四", "3192", "0"),
                          ("9791000000015", "五", "0073", "0"),
                          ("9784888400107", "六", "0073", "980")], got)
        for line in lines:
            self.assertEqual(("購入", "0", "0", "既読"),
                             (column(line, COL_PURCHASE), column(line, COL_TAX),
                              column(line, COL_TAX2), column(line, COL_READ)))

    def test_settings_file_values(self):
        # Section and key names in any case; a missing key keeps its default;
        # a value is taken as it stands (no quotes in the file).
        stage = Stage(self, settings="[entry]\r\ntaxset=2\r\nReadSet=未読\r\n"
                                     "[Other]\r\nPurachaseSet=x\r\n")
        stage.site().book(b"9784888100113", "本")
        result = stage.lookup("--quiet", "9784888100113", site=True)
        self.assertEqual(0, result.status, result.stderr_lines)
        [line] = check_import_file(self, stage.output())
        self.assertEqual(("購入", "2", "2", "未読"),
                         (column(line, COL_PURCHASE), column(line, COL_TAX),
                          column(line, COL_TAX2), column(line, COL_READ)))

    def test_codes_that_find_nothing_are_skipped(self):
        stage = Stage(self)
        site = stage.site()
        site.search(b"9784888100113", b"<html>\n<p>no hits</p>\n</html>\n")   # no detail link
        site.search(b"9784888300056", search_page(b"K1", first_line=True))    # link on line 1 only
        site.detail(b"K1", detail_page("一行目"))
        # 9784888300131: no search page at all
        site.search(b"9784888400022", search_page(b"missing"))                # no detail page
        site.search(b"9784888400107", search_page(b"short"))
        site.detail(b"short", detail_page("短い", lines=5))                   # fewer than 6 lines
        os.makedirs(os.path.join(site.root, "search", "9791000000015.html"))  # a folder
        site.search(b"4888100209", b'<p>\n<td><a href="/detail/view.php?id=open>\n</p>\n')  # no closing quote
        site.book(b"488810011X", "見つかる本")
        codes = [b"9784888100113", b"9784888300056", b"9784888300131", b"9784888400022",
                 b"9784888400107", b"9791000000015", b"4888100209", b"12345", b"488810011X"]
        result = stage.lookup(codes=b"\n".join(codes))
        self.assertEqual(0, result.status, result.stderr_lines)
        self.assertEqual([], result.messages)
        self.assertEqual(len(codes), len(result.progress))
        lines = check_import_file(self, stage.output())
        self.assertEqual([("488810011X", "見つかる本")],
                         [(column(l, COL_CODE), column(l, COL_TITLE)) for l in lines])
        self.assertEqual("1 lines written to " + stage.arg(stage.path("out.csv")),
                         result.stderr_lines[-1])

    def test_keys_cannot_leave_the_site_folder(self):
        # Without the code check the key is the code itself. Every key finds
        # its page under its escaped name, never a file it names by itself.
        stage = Stage(self)
        site = stage.site()
        keys = [b"a/b", b"../x", b"%41", b"..", "表ソ".encode("cp932"), b"a b&c=d"]
        ids = [b"d/1", b"../up", b"%41", b"..", "表".encode("euc_jp"), b"x?y#z"]
        for n, (key, detail_id) in enumerate(zip(keys, ids), 1):
            site.search(key, search_page(detail_id))
            site.detail(detail_id, detail_page("本%d" % n))
        decoy = search_page(b"decoy")
        site.detail(b"decoy", detail_page("おとり"))
        site.put(os.path.join("search", "a", "b.html"), decoy)    # a/b unescaped
        site.put("x.html", decoy)                                 # search/../x
        site.put(os.path.join("search", "A.html"), decoy)         # %41 decoded
        site.put(os.path.join("search", "%41.html"), decoy)
        site.put(os.path.join("detail", "d", "1.html"), detail_page("おとり"))
        result = stage.lookup("--no-check", codes=b"\r\n".join(keys))
        self.assertEqual(0, result.status, result.stderr_lines)
        lines = check_import_file(self, stage.output())
        self.assertEqual(["本%d" % n for n in range(1, len(keys) + 1)],
                         [column(l, COL_TITLE) for l in lines])
        self.assertEqual([k.decode("cp932") for k in keys], [column(l, COL_CODE) for l in lines])


# --- Messages and runs without an output file --------------------------------------

class Runs(unittest.TestCase):

    def test_failed_connection_on_the_third_code(self):
        stage = Stage(self)
        site = stage.site()
        codes = [b"9784888100113", b"9784888300056", b"9784888300131", b"9784888400022"]
        for n, code in enumerate(codes):
            site.book(code, "本%d" % n)
        stage.write("out.csv", b"old\r\n")
        result = stage.lookup("--connect-fail-from", "3", codes=b"\r\n".join(codes))
        self.assertEqual(0, result.status)
        self.assertEqual([NO_CONNECTION_MESSAGE], result.messages)
        self.assertEqual(["[1/4] 9784888100113", "[2/4] 9784888300056", "[3/4] 9784888300131"],
                         result.progress)
        self.assertIsNone(stage.output(), "the two books found are dropped, the old file too")
        self.assertEqual("no output file written", result.stderr_lines[-1])

    def test_empty_code_lists(self):
        stage = Stage(self)
        stage.site()
        for how in (["--codes", stage.arg(stage.write("empty.txt", b""))],
                    ["--", ""],
                    ["--codes", stage.arg(stage.write("zero.txt", b"\x00978"))]):
            with self.subTest(how=how):
                stage.write("out.csv", b"old\r\n")
                result = stage.lookup(*how)
                self.assertEqual(0, result.status)
                self.assertEqual([NO_CODES_MESSAGE], result.messages)
                self.assertEqual([], result.progress)
                self.assertIsNone(stage.output())
                self.assertEqual("no output file written", result.stderr_lines[-1])

    def test_one_empty_code_gives_an_empty_file(self):
        stage = Stage(self)
        stage.site()
        result = stage.lookup(codes=b"\r\n")
        self.assertEqual(0, result.status)
        self.assertEqual([], result.messages)
        self.assertEqual(["[1/1] "], result.progress)
        self.assertEqual(b"", stage.output())
        self.assertEqual("0 lines written to " + stage.arg(stage.path("out.csv")),
                         result.stderr_lines[-1])

    def test_progress_counts_lines_as_the_plugin_splits_them(self):
        # CR LF, lone CR, lone LF; LF CR ends two lines; a final break adds
        # none; a zero byte ends the list. Codes are shown cut to 40
        # characters, in UTF-8.
        stage = Stage(self)
        stage.site()
        long_code = "".join(str(n % 10) for n in range(50))
        codes = (b"a\n\rb\r" + long_code.encode() + b"\r\n" + "ピアノ".encode("cp932") + b"\r\n"
                 + b"\x00z\r\n")
        result = stage.lookup("--no-check", codes=codes)
        self.assertEqual(0, result.status, result.stderr_lines)
        self.assertEqual(["[1/5] a", "[2/5] ", "[3/5] b", "[4/5] " + long_code[:40], "[5/5] ピアノ"],
                         result.progress)
        self.assertEqual(b"", stage.output())

    def test_codes_on_the_command_line(self):
        # Joined with CR LF; "--" lets a code begin with "-". A code typed
        # in UTF-8 reaches the plug-in in Shift_JIS: the Linux host converts
        # it as Windows converts a program's arguments. (Wine does that only
        # where the Japanese UTF-8 locale is installed, so the win32 run
        # keeps to ASCII.)
        stage = Stage(self)
        site = stage.site()
        site.book(b"-1", "ハイフン")
        last = "2" if stage.win32 else "ピアノ"
        site.book(last.encode("cp932"), "二")
        result = stage.lookup("--no-check", "--", "-1", "x", last)
        self.assertEqual(0, result.status, result.stderr_lines)
        self.assertEqual(["[1/3] -1", "[2/3] x", "[3/3] " + last], result.progress)
        lines = check_import_file(self, stage.output())
        self.assertEqual(["-1", last], [column(l, COL_CODE) for l in lines])

    def test_without_a_site_folder_nothing_is_downloaded(self):
        stage = Stage(self)
        result = stage.lookup("9784888100113", "9784888300056", site=False)
        self.assertEqual(0, result.status)
        told = [l for l in result.stderr_lines if "HTTP downloads are not built yet" in l]
        self.assertEqual(1, len(told), result.stderr_lines)
        self.assertEqual(b"", stage.output())

    def test_plugin_from_another_folder(self):
        stage = Stage(self, plugin=False)
        os.makedirs(stage.path("plugins"))
        shutil.copy2(os.path.join(OPTIONS.build_dir, plugin_file_name()), stage.path("plugins"))
        stage.site().book(b"9784888100113", "本")
        result = stage.lookup("--quiet", "--plugin", stage.arg(stage.path("plugins", plugin_file_name())),
                              "9784888100113")
        self.assertEqual(0, result.status, result.stderr_lines)
        self.assertEqual(1, len(check_import_file(self, stage.output())))

    def test_host_program_under_another_name(self):
        # The plug-in binds the host functions from "hakobune" beside it; a
        # host program of another name cannot be bound.
        stage = Stage(self, host_name="other" + (".exe" if OPTIONS.emulator else ""))
        stage.site().book(b"9784888100113", "本")
        result = stage.lookup("--quiet", "9784888100113")
        self.assertEqual(0, result.status)
        self.assertEqual(2, len(result.messages), result.messages)
        self.assertTrue(result.messages[0].endswith(host_program_name() + HOST_MISSING_SUFFIX),
                        result.messages)
        self.assertEqual(FUNCTION_MISSING_MESSAGE, result.messages[1])
        self.assertIsNone(stage.output())


# --- Exit statuses ------------------------------------------------------------------

class ExitStatus(unittest.TestCase):

    def test_cannot_run(self):
        # Status 1, one line saying why, and DownlaodFunc is not called: the
        # old output file is still there.
        stage = Stage(self, plugin=False)
        stage.site()
        codes = stage.arg(stage.write("codes.txt", b"9784888100113"))
        cases = {
            "no plug-in": ["--data-dir", stage.arg(stage.data), "--codes", codes],
            "no data directory": ["--data-dir", stage.arg(stage.path("nowhere")),
                                  "--plugin", stage.arg(os.path.join(OPTIONS.build_dir, plugin_file_name())),
                                  "--codes", codes],
            "data directory is a file": ["--data-dir", codes, "--codes", codes],
            "no code list": ["--data-dir", stage.arg(stage.data),
                             "--codes", stage.arg(stage.path("nothing.txt"))],
            "plug-in path wrong": ["--data-dir", stage.arg(stage.data),
                                   "--plugin", stage.arg(stage.path("none.so")), "--codes", codes],
        }
        for name, args in cases.items():
            with self.subTest(name):
                stage.write("out.csv", b"old\r\n")
                result = stage.run("lookup", "--out", stage.arg(stage.path("out.csv")), *args)
                self.assertEqual(1, result.status, result.stderr_lines)
                self.assertEqual(1, len(result.stderr_lines), result.stderr_lines)
                self.assertTrue(result.stderr_lines[0].startswith("hakobune: "))
                self.assertEqual(b"old\r\n", stage.output())

    def test_usage_errors(self):
        stage = Stage(self)
        d, o = stage.arg(stage.data), stage.arg(stage.path("out.csv"))
        codes = stage.arg(stage.write("codes.txt", b"1"))
        cases = [
            [],
            ["frobnicate"],
            ["lookup"],
            ["lookup", "--out", o, "1"],                                   # no --data-dir
            ["lookup", "--data-dir", d, "1"],                              # no --out
            ["lookup", "--data-dir", d, "--out", o],                       # no codes
            ["lookup", "--data-dir", d, "--out", o, "--codes", codes, "1"],  # both
            ["lookup", "--data-dir", d, "--out", o, "--connect-fail-from", "0", "1"],
            ["lookup", "--data-dir", d, "--out", o, "--connect-fail-from", "x", "1"],
            ["lookup", "--data-dir", d, "--out", o, "--bogus", "1"],
            ["lookup", "--data-dir", d, "--out", o, "-5"],                 # "-5" needs "--"
            ["lookup", "--data-dir", d, "1", "--out"],                     # no value
            ["lookup", "--data-dir", d, "--out", o, "--out", o, "1"],      # twice
            ["show"],
            ["show", o, o],
            ["info", "--size", "70000"],
            ["info", "--bogus"],
        ]
        for args in cases:
            with self.subTest(args=args):
                result = stage.run(*args)
                self.assertEqual(2, result.status, result.stderr_lines)
                self.assertIn("usage: hakobune", "\n".join(result.stderr_lines))
                self.assertIsNone(stage.output())


# --- info and show ------------------------------------------------------------------

class Info(unittest.TestCase):

    def test_identity(self):
        stage = Stage(self)
        result = stage.run("info")
        self.assertEqual(0, result.status)
        self.assertEqual(["entry: DownlaodFunc", "name: ISBN検索kanadeya",
                          "author: yorin based on MUSORI & Kagami", "version: 1.1.3", "fifth: 3"],
                         result.text.splitlines())

    def test_small_buffers(self):
        stage = Stage(self)
        result = stage.run("info", "--size", "5")
        self.assertEqual(0, result.status)
        self.assertEqual(["entry: Down", "name: ISBN", "author: yori", "version: 1.1.", "fifth: 3"],
                         result.text.splitlines())

    def test_no_plugin(self):
        result = Stage(self, plugin=False).run("info")
        self.assertEqual(1, result.status)
        self.assertEqual(1, len(result.stderr_lines))


def import_line(values):
    """One import line of 68 columns from {column: bytes}, quoted as the
    plug-in quotes."""
    items = []
    for c in range(1, COLUMN_COUNT + 1):
        v = values.get(c, b"")
        if any(b <= 0x20 or b in (0x22, 0x2C) for b in v):
            v = b'"' + v.replace(b'"', b'""') + b'"'
        items.append(v)
    return b",".join(items) + b"\r\n"


class Show(unittest.TestCase):

    def test_columns_names_and_readable_values(self):
        stage = Stage(self)
        data = import_line({1: b"9784888100113", 2: "ピアノ名曲集".encode("cp932"),
                            22: b"1200", 37: b"a$$b\tc\nd \"e\", f\x01", 68: b"last"})
        data += b"x,y,z\r\n"
        path = stage.write("in.csv", data)
        result = stage.run("show", stage.arg(path))
        self.assertEqual(0, result.status, result.stderr_lines)
        self.assertEqual(["line 1",
                          "    1 Code: 9784888100113",
                          "    2 Title: ピアノ名曲集",
                          "   22 Price: 1200",
                          '   37 Memo: a$$b\\tc\\nd "e", f\\x01',
                          "   68 Reserved65: last",
                          "line 2",
                          "  warning: 3 columns, not 68",
                          "    1 Code: x",
                          "    2 Title: y",
                          "    3 Reserved2: z"],
                         result.text.splitlines())

    def test_broken_files(self):
        stage = Stage(self)
        broken = import_line({1: b"1"}) + b'2,"never closed\r\n3\r\n'
        cases = {"unclosed quote": (stage.write("broken.csv", broken), "line 2"),
                 "missing file": (stage.path("none.csv"), "cannot read")}
        for name, (path, said) in cases.items():
            with self.subTest(name):
                result = stage.run("show", stage.arg(path))
                self.assertEqual(1, result.status)
                self.assertEqual(1, len(result.stderr_lines), result.stderr_lines)
                self.assertIn(said, result.stderr_lines[0])
        result = stage.run("show", stage.arg(stage.path("broken.csv")))
        self.assertEqual("line 1\n    1 Code: 1\n", result.text)


class Checker(unittest.TestCase):
    """The output-file checker itself must catch what it is there for."""

    def test_rejects_broken_files(self):
        good = import_line({1: b"1", 37: b"a b"})
        self.assertEqual(1, len(check_import_file(self, good)))
        self.assertEqual([], check_import_file(self, b""))
        bad = [good[:-2],                               # no CR LF at the end
               good[:-2] + b"\n",                       # LF only
               b"a,b\r\n",                              # 2 columns
               b"," * 68 + b"\r\n",                     # 69 columns
               b'"' + good,                             # unclosed quote
               b"\x83" + b"," * 67 + b"\r\n",           # a lead byte swallows a comma
               b"a\nb" + b"," * 67 + b"\r\n"]           # LF outside quotes
        for data in bad:
            with self.subTest(data=data[:20]):
                with self.assertRaises(AssertionError):
                    check_import_file(self, data)


def main():
    global OPTIONS
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--source-dir", required=True)
    parser.add_argument("--emulator", action="append", default=None,
                        help="the program that runs the win32 build (cmake/wine-run.sh)")
    parser.add_argument("--update-expected", action="store_true")
    OPTIONS, rest = parser.parse_known_args()
    OPTIONS.build_dir = os.path.abspath(OPTIONS.build_dir)
    OPTIONS.source_dir = os.path.abspath(OPTIONS.source_dir)
    if OPTIONS.emulator:  # the cases run in folders of their own
        OPTIONS.emulator = [os.path.abspath(e) if os.path.exists(e) else e
                            for e in OPTIONS.emulator]
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
