#!/usr/bin/env python3
"""kanadeya.ini and the files a run writes, end to end: the site address and
its faults, the settings file's encodings and what is no settings file, the
lookup log, and the import file written whole or not at all.

    test_user_files.py --build-dir BUILD --source-dir SOURCE [--emulator RUNNER]
                       [unittest arguments]

The arguments, stages and servers are those of test_hakobune.py. The site
comes over HTTP from the tests' own server, named only by kanadeya.ini (no
--site), unless a case says otherwise.
"""
import os
import re
import shutil
import stat
import tempfile
import unittest

import test_hakobune as e2e
from test_hakobune import (BOOKS, NO_CONNECTION_MESSAGE, CatalogueServer, ClosedPort, Stage,
                           check_import_file, examples_path, expected_path, read, sample_stage,
                           search_page, detail_page)

# What each BaseUrl fault says after the value (and the character it points at).
BASE_URL_FAULTS = {
    "scheme": "：http:// または https:// で始まっていません。",
    "too long": "：200 バイトを超えています。",
    "character": "：使えない文字です（空白、引用符、バックスラッシュ、コンマ、制御文字、全角の文字は使えません）。",
    "no host": "：ホスト名がありません。",
    "user": "：ユーザー名やパスワード（「@」から前）は書けません。",
    "query": "：「?」から後（クエリ）は書けません。",
    "fragment": "：「#」から後は書けません。",
    "host": "：ホスト名が正しくありません（英数字と「-」「.」の名前、IPv4 アドレス、または [ ] で囲んだ IPv6 アドレスが書けます）。",
    "port": "：ポート番号が 1 から 65535 までの数ではありません。",
    "path": "：パスに使えない文字です（半角英数字と「-」「.」「_」「~」「/」「%XX」が使えます）。",
    "slashes": "：最後に「/」が続いています（最後の「/」はひとつまでです）。",
}
SCHEME_EXAMPLE = "例：BaseUrl=https://www.example.jp（http:// と https:// は小文字で書きます）"
SETTINGS_FILE_FAULTS = {
    "not a file": "は通常のファイルではないため読めません。",
    "too large": "が 64 KB を超えています。",
}
LOG_REFUSED = {
    "name": "の [Log] File のファイル名が .log か .txt で終わっていないため、ログは書きません。",
    "other file": "の [Log] File が取り込みファイル、データファイル、設定ファイルまたはプラグイン自身を指しているため、ログは書きません。",
    "not a log": "の [Log] File のファイルはこのプラグインのログではないため、ログは書きません。",
}
LOG_OUTCOMES = {
    "found": "見つかりました",
    "invalid": "無効なコード：ISBN でもバーコードでもありません",
    "not on site": "見つかりません：検索結果に本がありませんでした",
    "not fetched": "取得できません：ページを受け取れませんでした",
    "unreadable": "読み取れません：詳細ページに読み取れる見出しがありませんでした（ページの作りが変わった可能性があります）",
    "no connection": "接続なし：サイトに接続できませんでした（ここで検索を終えました）",
    "stopped": "中止：中止ボタンで中止しました",
}
OUTPUT_NOT_WRITTEN = "取り込みファイルを書き込めませんでした。"
MEGABYTE = 1024 * 1024


def build_version():
    """The version and the build number as the log's first line gives them
    ("1.1.3.1"): the project's version and build in CMakeLists.txt, which
    the heading of readme.txt's newest history entry must name too."""
    source = e2e.OPTIONS.source_dir
    with open(os.path.join(source, "CMakeLists.txt"), encoding="utf-8") as f:
        cmake = f.read()
    version = re.search(r"project\(kanadeya VERSION (\S+)", cmake).group(1)
    build = re.search(r"set\(KANADEYA_BUILD (\d+)\)", cmake).group(1)
    with open(os.path.join(source, "release", "readme.utf8.txt"), encoding="utf-8") as f:
        history = f.read().split("■ 版の履歴", 1)[1]
    newest = re.search(r"^  (\d\S*.*)$", history, re.M).group(1)
    assert newest == "%s ビルド %s" % (version, build), newest
    return version + "." + build


def settings_file(base_url=None, log=None, encoding="cp932", bom=b""):
    """A kanadeya.ini (bytes) with the values that are given."""
    text = ""
    if base_url is not None:
        text += "[Site]\r\nBaseUrl=" + base_url + "\r\n"
    if log is not None:
        text += "[Log]\r\nFile=" + log + "\r\n"
    return bom + text.encode(encoding)


def read_log(path):
    """The log's lines, each a list of its tab-separated fields."""
    return [line.split("\t") for line in read(path).decode("cp932").split("\r\n")[:-1]]


def run_lines(log, tag):
    """The lines of the run tagged `tag`, without the tag."""
    return [line[1:] for line in log if line[0] == tag]


def lookup(stage, *args, codes, env=None, out="out.csv"):
    return stage.run(*stage.lookup_command("--delay", "0", "--timeout", "10", *args,
                                           codes=codes, site=False, out=out), env=env)


def one_book_stage(test, plugin=True):
    """A stage whose site, served over HTTP, has the first of BOOKS."""
    stage = Stage(test, plugin=plugin)
    stage.site().book(BOOKS[0], "一")
    return stage, CatalogueServer(test, stage.path("site"))



def have_strace():
    return shutil.which("strace") is not None


def under_strace(*strace_args):
    """The runner list for the host under strace (and Wine, for the win32
    host: strace follows it into the host's process). A sanitized build's
    leak check cannot run under ptrace, so it is off."""
    asan = os.environ.get("ASAN_OPTIONS", "")
    return (["env", f"ASAN_OPTIONS={asan}:detect_leaks=0" if asan else "ASAN_OPTIONS=detect_leaks=0",
             "strace", "-qq", "-f", "-o", os.devnull] + list(strace_args)
            + list(e2e.OPTIONS.emulator or []))


def run_under_strace(stage, command, *strace_args):
    """Runs the host with `command` under strace."""
    saved = e2e.OPTIONS.emulator
    e2e.OPTIONS.emulator = under_strace(*strace_args)
    try:
        return stage.run(*command)
    finally:
        e2e.OPTIONS.emulator = saved

class SiteAddress(unittest.TestCase):

    def test_base_url_gives_the_books_of_the_site_folder(self):
        # With and without a trailing "/": the sample catalogue's import file
        # with every PageUrl and ImageUrl under the server's address. An empty
        # BaseUrl keeps the built-in address: today's file, byte for byte.
        server = CatalogueServer(self, examples_path("site"))
        expected = read(expected_path("sample.csv"))
        for base_url in (server.url, server.url + "/", ""):
            with self.subTest(base_url=base_url):
                stage = sample_stage(self)
                stage.write("kanadeya.ini", settings_file(base_url))
                if base_url:
                    result = lookup(stage, codes=read(examples_path("codes.txt")))
                    want = expected.replace(b"http://catalog.example", server.url.encode())
                    self.assertIn(server.url.encode() + b"/images/cover/K1001.jpg", want)
                else:
                    result = stage.lookup(codes=read(examples_path("codes.txt")),
                                          site=stage.arg(examples_path("site")))
                    want = expected
                self.assertEqual(0, result.status, result.stderr_lines)
                self.assertTrue(e2e.shows(result, e2e.report(8, 6, not_on_site=1,
                                                                       invalid=1)))
                self.assertEqual(want, stage.output())

    def test_https_address_where_nothing_answers(self):
        stage = Stage(self)
        port = ClosedPort(self).url.rsplit(":", 1)[1]
        stage.write("kanadeya.ini", settings_file("https://127.0.0.1:%s/" % port))
        result = lookup(stage, BOOKS[0], codes=None)
        self.assertEqual(0, result.status)
        self.assertTrue(e2e.said(result).startswith(NO_CONNECTION_MESSAGE + "\r\n"))
        self.assertEqual(b"", stage.output())

    def test_invalid_base_urls_end_the_run_before_any_code(self):
        # Each gives its message, asks the server nothing, writes no import
        # file, and logs its reason after the run's first line, which names
        # the address as it was written. The message quotes the value and
        # points at the first character that is wrong (the character's
        # place, counted from 1), with the scheme's example for a scheme
        # fault alone.
        server = CatalogueServer(self, examples_path("site"))
        host = server.url[len("http://"):]
        end = len("http://" + host) + 1
        long_path = "http://" + host + "/" + "a" * (193 - len(host))
        cases = [("ftp://" + host, "scheme", None),
                 ("HTTP://" + host, "scheme", None),
                 ("http://" + host + "/a b", "character", end + 2),
                 ("http://" + host + "/a\x01b", "character", end + 2),
                 ('http://' + host + '/"a', "character", end + 1),
                 ("http://" + host + "\\a", "character", end),
                 ("http://" + host + "/a,b", "character", end + 2),
                 ("http://" + host + "：80", "character", end),
                 ("http://" + host + "/a　", "character", end + 2),
                 (long_path, "too long", None),
                 ("http://", "no host", None),
                 ("http:///" + host, "no host", None),
                 ("https://:443", "no host", None),
                 ("http://a:b@" + host, "user", 11),
                 ("http://" + host + "?x=1", "query", end),
                 ("http://" + host + "/#top", "fragment", end + 1),
                 ("http://127.0.0.1:abc", "port", 18),
                 ("http://127.0.0.1:70000", "port", 18),
                 ("http://[::1", "host", 8),
                 ("http://" + host + "/a;b", "path", end + 2),
                 ("http://" + host + "//", "slashes", end)]
        stage = Stage(self)
        for base_url, fault, at in cases:
            with self.subTest(base_url=base_url):
                if os.path.exists(stage.path("k.log")):
                    os.remove(stage.path("k.log"))
                stage.write("kanadeya.ini", settings_file(base_url, log="k.log"))
                stage.write("out.csv", b"old\r\n")
                result = lookup(stage, BOOKS[0], codes=None)
                self.assertEqual(0, result.status)
                shown = base_url.replace("\x01", "□")
                if len(shown.encode("cp932")) > 80:
                    shown = shown.encode("cp932")[:80].decode("cp932") + "…"
                reason = "kanadeya.iniの [Site] BaseUrl「%s」" % shown
                if at is not None:
                    reason += "の %d 文字目「%s」" % (at, shown[at - 1])
                reason += BASE_URL_FAULTS[fault]
                # Wine's trace shows only the start of a long message; the
                # log holds its first line whole.
                said = e2e.said(result)
                self.assertIn(reason[:40], said)
                if not stage.win32:
                    self.assertIn(reason, said)
                    self.assertEqual(fault == "scheme", SCHEME_EXAMPLE in said)
                self.assertNotIn(NO_CONNECTION_MESSAGE, said)
                self.assertEqual([], server.requests)
                self.assertIsNone(stage.output())
                self.assertEqual([], result.progress)
                log = read_log(stage.path("k.log"))
                self.assertEqual(2, len(log), log)
                written = base_url.replace("\x01", "□")
                self.assertEqual("サイト " + (written[:200] + "…" if len(written) > 200 else written),
                                 log[0][3])
                self.assertEqual(["終了", reason], log[1][1:])
        # 200 bytes are not too long; an IPv6 address, a port and a path with
        # "%2F" are an address: the search is asked for.
        stage.write("kanadeya.ini", settings_file(("http://" + host + "/").ljust(200, "a")))
        result = lookup(stage, BOOKS[0], codes=None)
        self.assertNotIn("BaseUrl", e2e.said(result))
        self.assertEqual(1, len(server.requests))
        v6 = CatalogueServer(self, examples_path("site"), address="::1")
        stage.write("kanadeya.ini", settings_file(v6.url + "/a%2Fb/~c"))
        result = lookup(stage, BOOKS[0], codes=None)
        self.assertFalse([m for m in result.messages if "BaseUrl" in m], result.messages)
        self.assertEqual(["/a%2Fb/~c/search/keyword.php?keyword=" + BOOKS[0].decode()],
                         [target for _, target, _ in v6.requests])


class SettingsFile(unittest.TestCase):

    def test_encodings_give_the_same_settings(self):
        # ANSI (Shift_JIS), UTF-8 with a byte-order mark, UTF-16 LE with one:
        # the same address and the same log path with a Japanese name (an
        # ASCII one under Wine, whose file names follow a locale that this
        # machine may lack; the conversion's bytes are checked there by the
        # plug-in's unit tests).
        stage, server = one_book_stage(self)
        log = "kiroku.log" if stage.win32 else "記録.log"
        for encoding, bom in (("cp932", b""), ("utf-8", b"\xef\xbb\xbf"),
                              ("utf-16-le", b"\xff\xfe")):
            with self.subTest(encoding=encoding):
                stage.write("kanadeya.ini",
                            settings_file(server.url, log, encoding=encoding, bom=bom))
                result = lookup(stage, BOOKS[0], codes=None)
                self.assertEqual([], result.messages)
                self.assertEqual(1, len(check_import_file(self, stage.output())))
                logs = [n for n in os.listdir(stage.folder.encode()) if n.endswith(b".log")]
                self.assertEqual(1, len(logs), logs)
                self.assertEqual(["見つかりました", "一"],
                                 read_log(os.path.join(stage.folder.encode(), logs[0]))[-2][4:])

    def test_what_is_not_a_small_regular_file_stops_the_run(self):
        # The message, no request, no import file, and no wait for a file
        # that never ends or a pipe that nobody writes.
        stage, server = one_book_stage(self)
        ini = stage.path("kanadeya.ini")
        cases = [("1 MB", "too large"), ("/dev/zero", "not a file"), ("folder", "not a file")]
        if not stage.win32:
            cases.append(("pipe", "not a file"))
        for what, fault in cases:
            with self.subTest(what=what):
                if os.path.isdir(ini):
                    os.rmdir(ini)
                elif os.path.lexists(ini):
                    os.remove(ini)
                if what == "1 MB":
                    stage.write("kanadeya.ini", settings_file(server.url).ljust(MEGABYTE, b";"))
                elif what == "/dev/zero":
                    os.symlink("/dev/zero", ini)
                elif what == "folder":
                    os.mkdir(ini)
                else:
                    os.mkfifo(ini)
                result = lookup(stage, BOOKS[0], codes=None)
                self.assertEqual(0, result.status)
                said = "\n".join(result.messages)
                self.assertIn("kanadeya.ini" + SETTINGS_FILE_FAULTS[fault], said)
                self.assertEqual([], server.requests)
                self.assertIsNone(stage.output())


class LookupLog(unittest.TestCase):

    def test_log_names_every_code_with_its_outcome(self):
        # The plug-in in a folder of its own, with its kanadeya.ini: the log
        # is made there, not beside the host program. A blank line is no code.
        stage = Stage(self, plugin=False)
        plugins = stage.path("plugins")
        os.makedirs(plugins)
        shutil.copy2(os.path.join(e2e.OPTIONS.build_dir, e2e.plugin_file_name()), plugins)
        plugin = stage.arg(os.path.join(plugins, e2e.plugin_file_name()))
        site = stage.site()
        site.book(b"9784888100113", "一")
        site.search(b"9784888300056", search_page(b"plain"))
        site.detail(b"plain", b"<html>\n" + b"<p>x</p>\n" * 8)         # no known marker
        site.search(b"9784888400022", b"<html>\n<p>no hits</p>\n")
        site.search(b"9784888400107", search_page(b"missing"))
        site.search(b"9791000000015", search_page(b"short"))
        site.detail(b"short", detail_page("短い", lines=5))
        server = CatalogueServer(self, site.root)
        codes = [b"9784888100113", b"12345", b"", b"9784888300131", b"9784888400022",
                 b"9784888400107", b"9791000000015", b" ", b"978-4-88830-005-6"]
        plugin_ini = os.path.join(plugins, "kanadeya.ini")
        with open(plugin_ini, "wb") as f:
            f.write(settings_file(server.url, log="k.log"))
        out = stage.arg(stage.path("out.csv"))
        result = lookup(stage, "--plugin", plugin, codes=b"\r\n".join(codes))
        self.assertEqual(0, result.status, result.stderr_lines)
        self.assertTrue(e2e.shows(result,
            e2e.report(7, 1, not_on_site=1, not_fetched=2, unreadable=2, invalid=1)))
        self.assertEqual(1, len(check_import_file(self, stage.output())))
        # In the data folder: the codes that gave no book, as they were given.
        retry = os.path.join(stage.data, e2e.RETRY_LIST)
        self.assertEqual(b"".join(c + b"\r\n" for c in codes[1:] if c.strip()), read(retry))
        log = read_log(os.path.join(plugins, "k.log"))
        self.assertFalse(os.path.exists(stage.path("k.log")))
        self.assertRegex(log[0][0], r"^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d$")
        tag = log[0][0][11:] + "/"
        self.assertEqual(["kanadeya " + build_version(), "サイト " + server.url, "コード 7件"],
                         [log[0][1], log[0][3], log[0][4]])
        self.assertTrue(log[0][2].startswith("実行ID " + tag), log[0])
        tag = log[0][2][len("実行ID "):]
        search = server.url + "/search/keyword.php?keyword="
        detail = server.url + "/detail/view.php?id="
        retry = stage.arg(retry)
        o = LOG_OUTCOMES
        self.assertEqual([["1", "9784888100113", "9784888100113", o["found"], "一"],
                          ["2", "12345", "", o["invalid"]],
                          ["3", "9784888300131", "9784888300131", o["not fetched"],
                           search + "9784888300131"],
                          ["4", "9784888400022", "9784888400022", o["not on site"]],
                          ["5", "9784888400107", "9784888400107", o["not fetched"],
                           detail + "missing"],
                          ["6", "9791000000015", "9791000000015", o["unreadable"]],
                          ["7", "978-4-88830-005-6", "9784888300056", o["unreadable"]],
                          ["終了", "コード 7件", "見つかった本 1件", "書き出した本 1件", out,
                           "もう一度調べるコード：" + retry]],
                         run_lines(log, tag))

        # A failed connection test at code 3 (the second connection test:
        # code 2 is built from the page code 1 received): the two books
        # found are written, and the last line says from which code on
        # nothing was looked up. The same book twice is noted.
        result = lookup(stage, "--plugin", plugin, "--connect-fail-from", "2",
                        codes=b"\r\n".join([codes[0], codes[0], codes[3]]))
        self.assertTrue(e2e.said(result).startswith(NO_CONNECTION_MESSAGE + "\r\n"))
        self.assertEqual(2, len(check_import_file(self, stage.output())))
        log = read_log(os.path.join(plugins, "k.log"))
        self.assertEqual([["2", "9784888100113", "9784888100113", o["found"], "一",
                           "1 番目と同じ本です", "この検索で取得済みのページから"],
                          ["3", "9784888300131", "9784888300131", o["no connection"],
                           search + "9784888300131"],
                          ["終了", "コード 3件中 2件", "見つかった本 2件", "書き出した本 2件", out,
                           "3 番目のコードから後は、サイトに接続できなかったため調べていません",
                           "もう一度調べるコード：" + retry]],
                         run_lines(log, log[-1][0])[-3:])

    def test_import_file_that_cannot_be_written(self):
        stage, server = one_book_stage(self)
        os.makedirs(stage.path("out.csv"))  # a folder where the import file goes
        stage.write("kanadeya.ini", settings_file(server.url, log="k.log"))
        result = lookup(stage, BOOKS[0], BOOKS[0], codes=None)
        self.assertTrue("\n".join(result.messages).startswith(OUTPUT_NOT_WRITTEN))
        log = read_log(stage.path("k.log"))
        self.assertEqual(["見つかりました", "見つかりました"], [line[4] for line in log[1:3]])
        # The books stay in a file of their own, their codes in the list.
        kept = [n for n in os.listdir(stage.data) if n.startswith("kanadeya-books-")]
        self.assertEqual(1, len(kept), kept)
        self.assertEqual(2, len(check_import_file(self, read(os.path.join(stage.data, kept[0])))))
        self.assertEqual(BOOKS[0] + b"\r\n" + BOOKS[0] + b"\r\n",
                         e2e.retry_list(stage.data))
        self.assertEqual(["終了", "コード 2件", "見つかった本 2件", "書き出した本 0件",
                          "書き出していません：取り込みファイルを書き込めませんでした",
                          stage.arg(stage.path("out.csv")),
                          "残した本のファイル " + stage.arg(os.path.join(stage.data, kept[0])),
                          "もう一度調べるコード：" + stage.arg(os.path.join(stage.data,
                                                                     e2e.RETRY_LIST))],
                         log[-1][1:])

    def test_log_writes_only_logs(self):
        # Every file of a run named as the log, small and past 1 MB, is left
        # byte for byte; the run goes on without a log and says so once.
        stage, server = one_book_stage(self)
        for name in ("AuthDB.dat", "PubDB.dat", "LabelsDB.dat"):
            stage.write(os.path.join("data", name), b"|x|\r\n")
        stage.write("Setting.ini", b"[Entry]\r\nReadSet=x\r\n")
        plugin = e2e.plugin_file_name()
        cases = [("out.csv", "name"), ("data/AuthDB.dat", "name"), ("data/PubDB.dat", "name"),
                 ("data/LabelsDB.dat", "name"), ("Setting.ini", "name"),
                 ("kanadeya.ini", "name"), (plugin, "name"), ("notes.log.bak", "name"),
                 ("notes.txt", "not a log"), ("notes.log", "not a log"),
                 ("out.txt", "other file")]
        for name, fault in cases:
            for size in (100, MEGABYTE + 1):
                if name in ("kanadeya.ini", plugin) and size > 100:
                    continue
                with self.subTest(name=name, size=size):
                    log = stage.arg(stage.path(name))
                    ini = settings_file(server.url, log=log)
                    if name == "kanadeya.ini":
                        stage.write(name, ini)
                    else:
                        stage.write("kanadeya.ini", ini)
                        if name != plugin:
                            stage.write(name, b"x" * size)
                    before = read(stage.path(name))
                    out = "out.txt" if name == "out.txt" else "out.csv"
                    result = lookup(stage, BOOKS[0], codes=None, out=out)
                    # Wine's trace shows only the start of a long message.
                    self.assertEqual(1, len(result.messages), result.messages)
                    self.assertTrue(result.messages[0].startswith(
                        stage.arg(stage.path("kanadeya.ini")) + LOG_REFUSED[fault][:20]),
                        result.messages)
                    self.assertEqual(1, len(check_import_file(self, stage.output(out))))
                    if name != out:
                        self.assertEqual(before, read(stage.path(name)))
                    self.assertFalse(os.path.exists(stage.path(name + ".old")))

    def test_roll_over_and_read_only_logs(self):
        stage, server = one_book_stage(self)
        stage.write("kanadeya.ini", settings_file(server.url, log=stage.arg(stage.path("k.log"))))
        header = b"2026-01-01 00:00:00\tkanadeya 1.1.3\r\n"
        for size, rolled in ((MEGABYTE, False), (MEGABYTE + 1, True)):
            with self.subTest(size=size):
                old = header.ljust(size - 2, b"x") + b"\r\n"
                stage.write("k.log", old)
                stage.write("k.log.old", b"older\r\n")
                result = lookup(stage, BOOKS[0], codes=None)
                self.assertEqual(0, result.status, result.stderr_lines)
                log = read(stage.path("k.log"))
                self.assertEqual(old if rolled else b"older\r\n", read(stage.path("k.log.old")))
                self.assertEqual(not rolled, log.startswith(old))
                self.assertEqual(3, log.count(b"\r\n") - (0 if rolled else old.count(b"\r\n")))
        # A read-only log is neither renamed nor written.
        old = header.ljust(MEGABYTE + 1, b"x")
        stage.write("k.log", old)
        os.remove(stage.path("k.log.old"))
        os.chmod(stage.path("k.log"), stat.S_IREAD)
        result = lookup(stage, BOOKS[0], codes=None)
        self.assertEqual([], result.messages)
        self.assertEqual(old, read(stage.path("k.log")))
        self.assertFalse(os.path.exists(stage.path("k.log.old")))

    def test_log_that_cannot_be_written_changes_nothing(self):
        stage = Stage(self)
        site = stage.site()
        for code, title in zip(BOOKS, ("一", "二", "三")):
            site.book(code, title)
        server = CatalogueServer(self, site.root)
        os.makedirs(stage.path("a folder.log"))
        stage.write("kanadeya.ini", settings_file(server.url))
        result = lookup(stage, codes=b"\r\n".join(BOOKS))
        without_log = stage.output()
        self.assertEqual(3, len(check_import_file(self, without_log)))
        for log in ("a folder.log", "no folder/k.log",
                    stage.arg(stage.path("no folder", "k.log"))):
            with self.subTest(log=log):
                stage.write("kanadeya.ini", settings_file(server.url, log=log))
                result = lookup(stage, codes=b"\r\n".join(BOOKS))
                self.assertEqual(0, result.status, result.stderr_lines)
                # A missing folder is named once; the report of the one code
                # not found ends the run.
                said = e2e.said(result)
                self.assertEqual("no folder" in log, "[Log] File のフォルダー「" in said, said)
                self.assertIn(e2e.report(4, 3, not_fetched=1), said)
                self.assertEqual(without_log, stage.output())
        self.assertEqual([], os.listdir(stage.path("a folder.log")))
        self.assertFalse(os.path.exists(stage.path("no folder")))

    def test_a_cut_log_gets_the_next_run_on_a_new_line(self):
        stage, server = one_book_stage(self)
        stage.write("kanadeya.ini", settings_file(server.url, log="k.log"))
        cut = b"2026-01-01 00:00:00\tkanadeya 1.1.3\r\n01:02:03/9\t1\t978"
        stage.write("k.log", cut)
        lookup(stage, BOOKS[0], codes=None)
        log = read(stage.path("k.log"))
        self.assertTrue(log.startswith(cut + b"\r\n"), log[:80])
        self.assertRegex(log[len(cut) + 2:], rb"^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\tkanadeya ")

    def test_a_killed_run_leaves_the_codes_it_finished(self):
        # The site holds its answer to code 4's search; the host is killed
        # then: the log has codes 1 to 3, each complete.
        stage = Stage(self)
        site = stage.site()
        codes = [b"978488810%03d" % n for n in range(6)]
        codes = [c + str((10 - sum((1, 3)[i % 2] * int(d) for i, d in
                                   enumerate(c.decode()))) % 10).encode() for c in codes]
        for code in codes:
            site.book(code, "本")
        server = CatalogueServer(self, site.root)
        server.special["/search/keyword.php?keyword=" + codes[3].decode()] = ("hold",)
        stage.write("kanadeya.ini", settings_file(server.url, log="k.log"))
        running = stage.start(*stage.lookup_command("--delay", "0", "--timeout", "60",
                                                    codes=b"\r\n".join(codes), site=False))
        self.assertTrue(server.held.wait(60))
        running.kill()
        running.result()
        log = read_log(stage.path("k.log"))
        self.assertEqual([["1", "見つかりました"], ["2", "見つかりました"], ["3", "見つかりました"]],
                         [[line[1], line[4]] for line in log[1:]])
        self.assertIsNone(stage.output())

    def test_two_hosts_appending_at_once_lose_no_line(self):
        stage = Stage(self)
        stage.site().book(BOOKS[0], "一")
        stage.write("kanadeya.ini", settings_file(log="k.log"))
        count = 2000
        codes = b"\r\n".join([BOOKS[0]] * count)
        # Each host with a data directory of its own, as two installations.
        os.makedirs(stage.path("data1"))
        commands = [stage.lookup_command(codes=codes, out="out%d.csv" % n) for n in range(2)]
        commands[1][2] = stage.arg(stage.path("data1"))
        runs = [stage.start(*command) for command in commands]
        for running in runs:
            running.wait(240)
            running.result()
        data = read(stage.path("k.log"))
        self.assertTrue(data.endswith(b"\r\n"))
        log = read_log(stage.path("k.log"))
        starts = [line for line in log if len(line[0]) == len("2026-12-07 14:05:03")]
        self.assertEqual(2, len(starts))
        tags = [line[2][len("実行ID "):] for line in starts]
        self.assertNotEqual(tags[0], tags[1])
        for tag in tags:
            lines = run_lines(log, tag)
            self.assertEqual([str(n) for n in range(1, count + 1)] + ["終了"],
                             [line[0] for line in lines])
            self.assertEqual(["見つかりました", "一"], lines[0][3:])
            self.assertTrue(all(line[3:] == ["見つかりました", "一", "1 番目と同じ本です",
                                             "この検索で取得済みのページから"]
                                for line in lines[1:-1]))
        self.assertEqual(2 + 2 * (count + 1), len(log))


class ImportFile(unittest.TestCase):
    """The import file is written whole or not at all."""

    def books_stage(self):
        stage = Stage(self)
        site = stage.site()
        for code in BOOKS:
            site.book(code, "題" * 200)
        return stage

    def test_a_kill_while_writing_leaves_no_import_file(self):
        # Killed as the import file is made durable, before it is put in place.
        if not have_strace():
            self.skipTest("with strace")
        stage = self.books_stage()
        codes = b"\r\n".join(BOOKS)
        result = run_under_strace(stage, stage.lookup_command(codes=codes),
                                  "-e", "trace=fsync", "-e", "inject=fsync:signal=KILL")
        self.assertNotEqual(0, result.status)
        self.assertIsNone(stage.output())
        partial = [n for n in os.listdir(stage.folder) if n.startswith("out.csv")]
        self.assertEqual(1, len(partial), partial)
        self.assertRegex(partial[0], r"^out\.csv\.kanadeya-writing-\d+-1\.tmp$")
        # The next run removes what the killed one left and writes it whole.
        result = stage.lookup(codes=codes)
        self.assertEqual(4, len(check_import_file(self, stage.output())))
        self.assertEqual(["out.csv"], [n for n in os.listdir(stage.folder)
                                       if n.startswith("out.csv")])

if __name__ == "__main__":
    e2e.main()
