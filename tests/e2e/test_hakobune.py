#!/usr/bin/env python3
"""End-to-end tests: the real host program hakobune drives the real plug-in.

    test_hakobune.py --build-dir BUILD --source-dir SOURCE [--emulator RUNNER]
                     [--update-expected] [unittest arguments]

BUILD holds hakobune and libkanadeya.so, or hakobune.exe and kanadeya.dll,
which then run through RUNNER (cmake/wine-run.sh). Every case stages the host
program and the plug-in (and a "Setting.ini" when it needs one) in a folder of
its own, with its own data directory and, where the sample catalogue does not
serve, a catalogue site folder of its own.

The HTTP cases serve a site folder from a server of their own on 127.0.0.1
(CatalogueServer) and hand its address to the host with --site; no case
reaches beyond the loopback address, and the proxy variables are unset for
every run.

Under Wine the plug-in's messages go to message boxes that return at once;
the tests read them from the OutputDebugStringA trace (WINEDEBUG=+debugstr).
Natively the plug-in writes them to standard error in UTF-8.

--update-expected rewrites tests/e2e/expected/ from the sample catalogue run.
Do so only after checking the new run by eye with `hakobune show`.
"""
import argparse
import contextlib
import http.server
import importlib.util
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest

OPTIONS = None  # the parsed command line, set in main()

NO_CODES_MESSAGE = "検索するISBNを取得できませんでした"
NO_CONNECTION_MESSAGE = "インターネットに接続されていません"
HOST_MISSING_SUFFIX = "がありません。"
FUNCTION_MISSING_MESSAGE = "関数がありません。ハコブネ、または、プラグインのバージョンが古い可能性があります。"

RETRY_LIST = "kanadeya-retry.txt"  # the codes to try again, in the data folder
DATA_LOCK = "kanadeya.lock"  # the lock a run takes on its data folder, never deleted

USER_AGENT = "hakobune/1.1.3"
PROXY_VARIABLES = ("http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY",
                   "all_proxy", "no_proxy", "NO_PROXY")

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

def load_tool(name):
    """A Python program of tools/ as a module (its file name holds "-")."""
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, os.pardir,
                        "tools", name + ".py")
    found = importlib.util.spec_from_file_location(name.replace("-", "_"), path)
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module


# The host's file names for search keys and detail ids, the site's request
# paths and the mapping of one to the other come from tools/serve-site.py,
# so that the tool serves a site folder exactly as these tests do.
serve_site = load_tool("serve-site")
escape_key = serve_site.escape_key
SEARCH_PATH = serve_site.SEARCH_PATH
DETAIL_PATH = serve_site.DETAIL_PATH


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


# --- A catalogue site over HTTP -------------------------------------------------

class CatalogueServer:
    """An HTTP server on 127.0.0.1 that serves a site folder as the catalogue
    site does: "/search/keyword.php?keyword=KEY" is search/KEY.html and
    "/detail/view.php?id=ID" is detail/ID.html (KEY and ID %-decoded, then
    named as the host names them: serve_site.page_file), as EUC-JP pages;
    anything else is 404.

    `special` maps a request target (path and query, as sent) to another
    answer: ("status", CODE), ("redirect", CODE, LOCATION), ("short", BYTES),
    which announces the page's length but sends only its first BYTES bytes
    and closes, ("chunk-short", BYTES), the same in one chunk of chunked
    transfer coding, ("unsized", BYTES), that many bytes with no length
    announced, or ("hold",), which sets `held` and answers nothing
    until the test ends. `requests` lists (arrival time, target, User-Agent).
    `address` "::1" serves on the IPv6 loopback address instead."""

    def __init__(self, test, root, address="127.0.0.1"):
        self.root = root
        self.special = {}
        self.requests = []
        self.held = threading.Event()
        self.released = threading.Event()
        test.addCleanup(self.released.set)
        server = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                server.requests.append((time.monotonic(), self.path,
                                        self.headers.get("User-Agent")))
                server.answer(self)

            def log_message(self, *args):
                pass

        class Server(http.server.ThreadingHTTPServer):
            address_family = socket.AF_INET6 if ":" in address else socket.AF_INET

        self.address = address
        self.httpd = Server((address, 0), Handler)
        self.httpd.daemon_threads = True
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()
        test.addCleanup(self.stop)

    @property
    def url(self):
        host = "[%s]" % self.address if ":" in self.address else self.address
        return "http://%s:%d" % (host, self.httpd.server_address[1])

    def stop(self):
        self.released.set()
        self.httpd.shutdown()
        self.httpd.server_close()
        self.thread.join(10)

    def answer(self, handler):
        how = self.special.get(handler.path)
        if how is not None and how[0] == "hold":
            self.held.set()
            self.released.wait(120)
            handler.close_connection = True
            return
        if how is not None and how[0] == "status":
            handler.send_error(how[1])
            return
        if how is not None and how[0] == "redirect":
            handler.send_response(how[1])
            handler.send_header("Location", how[2])
            handler.send_header("Content-Length", "0")
            handler.end_headers()
            return
        if how is not None and how[0] == "unsized":
            handler.send_response(200)
            handler.end_headers()
            block = b"x" * (1 << 20)
            with contextlib.suppress(OSError):  # the client may stop reading
                for at in range(0, how[1], len(block)):
                    handler.wfile.write(block[:how[1] - at])
            return
        page_file = serve_site.page_file(self.root, handler.path)
        if page_file is None or not os.path.isfile(page_file):
            handler.send_error(404)
            return
        page = read(page_file)
        chunked = how is not None and how[0] == "chunk-short"
        if chunked:
            handler.protocol_version = "HTTP/1.1"
        handler.send_response(200)
        handler.send_header("Content-Type", "text/html; charset=EUC-JP")
        if chunked:
            handler.send_header("Transfer-Encoding", "chunked")
        else:
            handler.send_header("Content-Length", str(len(page)))
        handler.end_headers()
        if how is None:
            handler.wfile.write(page)
            return
        # Cut short: part of the page, then the connection ends.
        if chunked:
            handler.wfile.write(b"%x\r\n" % len(page))
        handler.wfile.write(page[:how[1]])
        handler.wfile.flush()
        handler.close_connection = True
        handler.connection.shutdown(socket.SHUT_RDWR)


class SilentServer:
    """A port on 127.0.0.1 that takes connections and never answers."""

    def __init__(self, test):
        self.socket = socket.socket()
        self.socket.bind(("127.0.0.1", 0))
        self.socket.listen(16)
        test.addCleanup(self.socket.close)

    @property
    def url(self):
        return "http://127.0.0.1:%d" % self.socket.getsockname()[1]


class ClosedPort:
    """A port on 127.0.0.1 that is bound but not listening: every
    connection to it is refused."""

    def __init__(self, test):
        self.socket = socket.socket()
        self.socket.bind(("127.0.0.1", 0))
        test.addCleanup(self.socket.close)

    @property
    def url(self):
        return "http://127.0.0.1:%d" % self.socket.getsockname()[1]


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


def said(result):
    """What the plug-in showed the user, as one text (under Wine, only the
    start of each message: Wine's trace cuts long ones)."""
    return "\r\n".join(result.messages)


def shows(result, text):
    """True when what the plug-in showed begins with `text`; under Wine, whose
    trace shows only the start of a long message, with as much of `text` as
    it shows (and at least its first 20 characters)."""
    shown = said(result)
    if shown.startswith(text) or not result.win32:
        return shown.startswith(text)
    cut = shown.rstrip("\ufffd")
    return len(cut) >= 20 and len(cut) < len(text) and text.startswith(cut)


def report(given, found, not_on_site=0, not_fetched=0, unreadable=0, invalid=0, not_reached=0):
    """The first sentence of the report at the end of a run."""
    counts = [("見つからなかった本", not_on_site), ("ページを取得できなかったもの", not_fetched),
              ("ページを読み取れなかったもの", unreadable), ("無効なコード", invalid),
              ("調べなかったコード", not_reached)]
    others = "、".join("%s %d件" % (label, n) for label, n in counts if n)
    return "%d件中%d件が見つかりました" % (given, found) + ("（%s）" % others if others else "") + "。"


def retry_list(folder):
    """The codes to try again in `folder` (bytes), or None when there is no list."""
    try:
        return read(os.path.join(folder, RETRY_LIST))
    except FileNotFoundError:
        return None


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

    def run(self, *args, env=None):
        """Runs the host program to its end. `env` adds to the environment."""
        process = self.start(*args, env=env)
        try:
            process.wait(timeout=120)
        finally:
            process.kill()
        return process.result()

    def start(self, *args, env=None):
        """Starts the host program in a process group of its own and returns
        it: kill() ends the group, result() gives what it printed."""
        command = list(OPTIONS.emulator or []) + [self.host] + list(args)
        environment = {k: v for k, v in os.environ.items() if k not in PROXY_VARIABLES}
        if self.win32:
            environment["WINEDEBUG"] = "-all,+debugstr"
        environment.update(env or {})
        # Output goes to files, not pipes: a wineserver that the program
        # starts inherits them and outlives it, and reading a pipe to its end
        # would wait for the server to exit.
        out, err = tempfile.TemporaryFile(), tempfile.TemporaryFile()
        popen = subprocess.Popen(command, cwd=self.folder, env=environment, stdout=out,
                                 stderr=err, start_new_session=True)
        win32 = self.win32

        class Running:
            def wait(self, timeout):
                return popen.wait(timeout=timeout)

            def stderr_so_far(self):
                # pread: the program shares the file's offset.
                return os.pread(err.fileno(), 1 << 20, 0)

            def kill(self):
                if popen.poll() is None:
                    os.killpg(popen.pid, 9)
                    popen.wait(30)

            def result(self):
                out.seek(0)
                err.seek(0)
                result = Result(popen.returncode, out.read(), err.read(), win32)
                out.close()
                err.close()
                return result

        return Running()

    def lookup_command(self, *args, codes=None, site=True, out="out.csv", timeout="10"):
        """The arguments of lookup(), as a list."""
        command = ["lookup", "--data-dir", self.arg(self.data), "--out", self.arg(self.path(out))]
        if isinstance(site, str):
            command += ["--site", site, "--delay", "0", "--timeout", timeout]
        elif site:
            command += ["--site", self.arg(self.path("site"))]
        if codes is not None:
            command += ["--codes", self.arg(self.write("codes.txt", codes))]
        return command + list(args)

    def lookup(self, *args, codes=None, site=True, out="out.csv", timeout="10"):
        """hakobune lookup with this stage's data directory, output file and
        site: its site folder, or with `site` a text, that web site (at once,
        with the time-out `timeout`); `codes` (bytes) goes in a code list file."""
        return self.run(*self.lookup_command(*args, codes=codes, site=site, out=out,
                                             timeout=timeout))

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

def examples_path(*parts):
    return os.path.join(OPTIONS.source_dir, "examples", *parts)


def expected_path(*parts):
    return os.path.join(OPTIONS.source_dir, "tests", "e2e", "expected", *parts)


def sample_stage(test):
    """A stage with the sample "Setting.ini" and a copy of the sample data."""
    stage = Stage(test, settings=read(examples_path("Setting.ini")))
    for name in os.listdir(examples_path("data")):
        shutil.copy2(examples_path("data", name), stage.data)
    return stage


class SampleCatalogue(unittest.TestCase):
    """The sample catalogue of examples/, as tools/run-example.sh runs it."""

    def test_lookup_and_show(self):
        examples = examples_path()
        expected = expected_path()
        stage = sample_stage(self)
        out = stage.arg(stage.path("books.csv"))
        result = stage.run("lookup", "--data-dir", stage.arg(stage.data), "--out", out,
                           "--site", stage.arg(os.path.join(examples, "site")),
                           "--codes", stage.arg(os.path.join(examples, "codes.txt")))
        self.assertEqual(0, result.status, result.stderr_lines)
        # Two of the sample's codes give no book: the report, and the list
        # of the two in the data folder.
        self.assertTrue(shows(result, report(8, 6, not_on_site=1, invalid=1)),
                        result.messages)
        self.assertEqual(b"9784888999991\r\n1234567890\r\n", retry_list(stage.data))
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
        self.assertTrue(shows(result, report(9, 1, not_on_site=3, not_fetched=3,
                                                       unreadable=1, invalid=1)), result.messages)
        self.assertEqual(b"".join(c + b"\r\n" for c in codes[:-1]), retry_list(stage.data))
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
        self.assertTrue(said(result).startswith(NO_CONNECTION_MESSAGE + "\r\n"), result.messages)
        self.assertEqual(["[1/4] 9784888100113", "[2/4] 9784888300056", "[3/4] 9784888300131"],
                         result.progress)
        # The two books found are written; the codes from the third on are
        # the ones to try again.
        self.assertEqual(["本0", "本1"],
                         [column(l, COL_TITLE) for l in check_import_file(self, stage.output())])
        self.assertEqual(b"\r\n".join(codes[2:]) + b"\r\n", retry_list(stage.data))

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

# --- Downloads over HTTP ----------------------------------------------------------

def leftovers(stage):
    """Files in the data directory that a download left half-done."""
    return [n for n in os.listdir(stage.data) if n.endswith(".part")]


BOOKS = [b"9784888100113", b"9784888300056", b"9784888300131", b"9784888400022"]


class Http(unittest.TestCase):
    """The host's own downloads, from a server of the test's own on 127.0.0.1."""

    def serve(self, *titles):
        """A stage and a server of its site where BOOKS[i] finds titles[i]."""
        stage = Stage(self)
        site = stage.site()
        for code, title in zip(BOOKS, titles):
            site.book(code, title)
        return stage, CatalogueServer(self, site.root)

    def test_sample_catalogue_as_over_a_folder(self):
        # The same import file as from --site DIR (the expected file), every
        # request naming the program, nothing half-done left behind.
        stage = sample_stage(self)
        server = CatalogueServer(self, examples_path("site"))
        result = stage.lookup(codes=read(examples_path("codes.txt")), site=server.url)
        self.assertEqual(0, result.status, result.stderr_lines)
        self.assertTrue(shows(result, report(8, 6, not_on_site=1, invalid=1)),
                        result.messages)
        self.assertEqual(read(expected_path("sample.csv")), stage.output())
        check_import_file(self, stage.output())
        self.assertTrue(server.requests)
        self.assertEqual({USER_AGENT}, {agent for _, _, agent in server.requests})
        self.assertTrue(os.path.isfile(os.path.join(stage.data, "Temp.html")))
        self.assertEqual([], leftovers(stage))

    def test_error_statuses_skip_the_code(self):
        # A search that is not found (404) and one that fails (500) skip
        # their codes and leave no page; the codes around them are found.
        stage, server = self.serve("一", "二", "三")
        server.special[SEARCH_PATH + "?keyword=9784888300131"] = ("status", 500)
        codes = [BOOKS[0], BOOKS[3], BOOKS[1], BOOKS[2]]  # BOOKS[3]: no page, 404
        result = stage.lookup(codes=b"\r\n".join(codes), site=server.url)
        self.assertEqual(0, result.status, result.stderr_lines)
        self.assertTrue(shows(result, report(4, 2, not_fetched=2)), result.messages)
        self.assertEqual(b"\r\n".join([BOOKS[3], BOOKS[2]]) + b"\r\n", retry_list(stage.data))
        lines = check_import_file(self, stage.output())
        self.assertEqual(["一", "二"], [column(l, COL_TITLE) for l in lines])
        self.assertFalse(os.path.exists(os.path.join(stage.data, "Temp.html")),
                         "the 500 page of the last code is not kept")
        self.assertEqual([], leftovers(stage))
        failed = [l for l in result.stderr_lines if l.startswith("hakobune: download failed")]
        self.assertEqual(2, len(failed), result.stderr_lines)
        self.assertIn("404", failed[0])
        self.assertIn("500", failed[1])

    def test_redirects_are_followed(self):
        # The search is moved twice (an absolute and a relative Location), the
        # detail page once.
        stage = Stage(self)
        site = stage.site()
        site.book(b"9784888300056", "転送")
        server = CatalogueServer(self, site.root)
        server.special[SEARCH_PATH + "?keyword=9784888100113"] = (
            "redirect", 302, server.url + "/moved?9784888100113")
        server.special["/moved?9784888100113"] = (
            "redirect", 301, SEARCH_PATH + "?keyword=9784888300056")
        site.detail(b"id-9784888300056", search_page(b"nothing"))  # not reached
        site.detail(b"new", detail_page("転送"))
        server.special[DETAIL_PATH + "?id=id-9784888300056"] = (
            "redirect", 307, DETAIL_PATH + "?id=new")
        result = stage.lookup("9784888100113", site=server.url)
        self.assertEqual(0, result.status, result.stderr_lines)
        lines = check_import_file(self, stage.output())
        self.assertEqual([("9784888100113", "転送")],
                         [(column(l, COL_CODE), column(l, COL_TITLE)) for l in lines])
        self.assertEqual(5, len(server.requests))

    def test_endless_redirects_end_the_download(self):
        if OPTIONS.emulator:
            self.skipTest("libcurl's own account of a failed download")
        stage, server = self.serve("一")
        target = SEARCH_PATH + "?keyword=9784888100113"
        server.special[target] = ("redirect", 302, target)
        result = stage.lookup("9784888100113", site=server.url)
        self.assertEqual(0, result.status, result.stderr_lines)
        self.assertEqual(b"", stage.output())
        failed = [l for l in result.stderr_lines if l.startswith("hakobune: download failed")]
        self.assertEqual(1, len(failed), result.stderr_lines)
        self.assertIn("(10) redirects", failed[0])  # the detail, not the code's general text

    def test_refused_connection(self):
        # The connection test fails: the plug-in's message, an empty output
        # file (the old one is gone), no download tried.
        stage = Stage(self)
        stage.write("out.csv", b"old\r\n")
        port = ClosedPort(self)
        result = stage.lookup("9784888100113", site=port.url)
        self.assertEqual(0, result.status)
        self.assertTrue(said(result).startswith(NO_CONNECTION_MESSAGE + "\r\n"), result.messages)
        self.assertEqual(b"", stage.output())
        prefix = "hakobune: cannot connect to %s: " % port.url
        why = [l[len(prefix):] for l in result.stderr_lines if l.startswith(prefix)]
        self.assertEqual(1, len(why), result.stderr_lines)
        if not OPTIONS.emulator:  # libcurl's own account of the failure names the port
            self.assertIn("port " + port.url.rsplit(":", 1)[1], why[0])
        self.assertEqual("0 lines written to " + stage.arg(stage.path("out.csv")),
                         result.stderr_lines[-1])

    def test_server_that_never_answers(self):
        # The connection is made, the answer never comes: the time-out ends
        # the download and the code is skipped.
        stage = Stage(self)
        started = time.monotonic()
        result = stage.lookup("9784888100113", site=SilentServer(self).url, timeout="2")
        took = time.monotonic() - started
        self.assertEqual(0, result.status)
        self.assertTrue(shows(result, report(1, 0, not_fetched=1)), result.messages)
        self.assertEqual(b"", stage.output())
        self.assertTrue(any("timed out" in l for l in result.stderr_lines), result.stderr_lines)
        self.assertGreaterEqual(took, 1.9)
        self.assertLess(took, 30)
        self.assertFalse(os.path.exists(os.path.join(stage.data, "Temp.html")))
        self.assertEqual([], leftovers(stage))

    def test_body_cut_short(self):
        # A page that stops before its Content-Length leaves no file: the
        # search page of one code, the detail page of another.
        stage, server = self.serve("一", "二", "三")
        server.special[SEARCH_PATH + "?keyword=9784888100113"] = ("short", 40)
        server.special[DETAIL_PATH + "?id=id-9784888300131"] = ("short", 60)
        result = stage.lookup(codes=b"\r\n".join(BOOKS[:3]), site=server.url)
        self.assertEqual(0, result.status, result.stderr_lines)
        lines = check_import_file(self, stage.output())
        self.assertEqual(["二"], [column(l, COL_TITLE) for l in lines])
        self.assertFalse(os.path.exists(os.path.join(stage.data, "Temp.html")))
        self.assertEqual([], leftovers(stage))
        failed = [l for l in result.stderr_lines if l.startswith("hakobune: download failed")]
        self.assertEqual(2, len(failed), result.stderr_lines)

    def test_body_over_64_mb_is_refused(self):
        stage, server = self.serve("一")
        server.special[SEARCH_PATH + "?keyword=9784888100113"] = ("unsized", (64 << 20) + 1)
        result = stage.lookup("9784888100113", site=server.url)
        self.assertEqual(0, result.status, result.stderr_lines)
        failed = [l for l in result.stderr_lines if l.startswith("hakobune: download failed")]
        self.assertEqual(1, len(failed), result.stderr_lines)
        self.assertIn("the body is larger than 67108864 bytes", failed[0])

    def test_chunked_body_cut_short(self):
        if OPTIONS.emulator:
            self.skipTest("Wine's WinINet ends a chunked body cut short as if it were whole")
        stage, server = self.serve("一")
        server.special[DETAIL_PATH + "?id=id-9784888100113"] = ("chunk-short", 60)
        result = stage.lookup("9784888100113", site=server.url)
        self.assertEqual(0, result.status, result.stderr_lines)
        self.assertEqual(b"", stage.output())
        self.assertFalse(os.path.exists(os.path.join(stage.data, "Temp.html")))
        self.assertEqual([], leftovers(stage))

    def test_keys_are_escaped_on_the_wire(self):
        # Without the code check a key holds any bytes; what is sent is a
        # valid request, and the server finds each key's page.
        stage = Stage(self)
        site = stage.site()
        keys = [b"a b\tc", "表ソ".encode("cp932"), b"q<>{}|#^`", b"50%"]
        for n, key in enumerate(keys, 1):
            site.book(key, "本%d" % n)
        server = CatalogueServer(self, site.root)
        result = stage.lookup("--no-check", codes=b"\r\n".join(keys), site=server.url)
        self.assertEqual(0, result.status, result.stderr_lines)
        lines = check_import_file(self, stage.output())
        self.assertEqual(["本%d" % n for n in range(1, len(keys) + 1)],
                         [column(l, COL_TITLE) for l in lines])
        sent = [target for _, target, _ in server.requests if target.startswith(SEARCH_PATH)]
        self.assertEqual([SEARCH_PATH + "?keyword=a%20b%09c",
                          SEARCH_PATH + "?keyword=%95%5C%83%5C",
                          SEARCH_PATH + "?keyword=q%3C%3E%7B%7D%7C%23%5E%60",
                          SEARCH_PATH + "?keyword=50%"],  # "%" is sent as it stands
                         sent)

    def test_pause_between_downloads(self):
        # --delay: at least that long between two downloads from the site.
        stage, server = self.serve("一", "二")
        result = stage.run("lookup", "--data-dir", stage.arg(stage.data),
                           "--out", stage.arg(stage.path("out.csv")), "--site", server.url,
                           "--delay", "0.4", "9784888100113", "9784888300056")
        self.assertEqual(0, result.status, result.stderr_lines)
        self.assertEqual(2, len(check_import_file(self, stage.output())))
        times = [t for t, _, _ in server.requests]
        self.assertEqual(4, len(times))
        gaps = [b - a for a, b in zip(times, times[1:])]
        self.assertGreaterEqual(min(gaps), 0.35, gaps)


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
            ["lookup", "--data-dir", d, "--out", o, "--site", "http://", "1"],
            ["lookup", "--data-dir", d, "--out", o, "--site", "https://h:99999", "1"],
            ["lookup", "--data-dir", d, "--out", o, "--site", "http://h/?q", "1"],
            ["lookup", "--data-dir", d, "--out", o, "--timeout", "0", "1"],
            ["lookup", "--data-dir", d, "--out", o, "--timeout", "-1", "1"],
            ["lookup", "--data-dir", d, "--out", o, "--delay", "1.0001", "1"],
            ["lookup", "--data-dir", d, "--out", o, "--delay", "86401", "1"],
            ["lookup", "--data-dir", d, "--out", o, "--delay", "", "1"],
            ["lookup", "--data-dir", d, "--out", o, "-5"],                 # "-5" needs "--"
            ["lookup", "--data-dir", d, "1", "--out"],                     # no value
            ["lookup", "--data-dir", d, "--out", o, "--out", o, "1"],      # twice
            ["show"],
            ["show", o, o],
            ["info", "--size", "70000"],
            ["info", "--size", "+5"],
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
    parser.add_argument("--file-holder", default=None,
                        help="under Wine, the program that holds a file open (hold_file.exe)")
    OPTIONS, rest = parser.parse_known_args()
    OPTIONS.build_dir = os.path.abspath(OPTIONS.build_dir)
    OPTIONS.source_dir = os.path.abspath(OPTIONS.source_dir)
    if OPTIONS.emulator:  # the cases run in folders of their own
        OPTIONS.emulator = [os.path.abspath(e) if os.path.exists(e) else e
                            for e in OPTIONS.emulator]
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
