#!/usr/bin/env python3
"""A long run that goes wrong: the books found are kept when the connection
is lost, the report says how each code ended, the codes to try again are
written out and a second run of them finds what the site now has; the
codes' slips are explained in the log; kanadeya.ini as Notepad saves it.

    test_run_report.py --build-dir BUILD --source-dir SOURCE [--emulator RUNNER]
                       [--file-holder HOLD_FILE_EXE] [unittest arguments]

The arguments are those of test_hakobune.py (and --file-holder that of
test_shared_files.py). The site comes over HTTP from the tests' own server,
named by kanadeya.ini, unless a case says otherwise.
"""
import os
import unittest

import test_hakobune as e2e
from test_hakobune import (BOOKS, NO_CONNECTION_MESSAGE, RETRY_LIST, CatalogueServer, Stage,
                           check_import_file, column, read, report, retry_list, said, shows,
                           COL_TITLE)
from test_user_files import settings_file, read_log, lookup, run_lines

INVALID = b"12345"


def titles(stage):
    output = stage.output()
    return None if output is None else [column(l, COL_TITLE)
                                        for l in check_import_file(stage.test, output)]


def books_stage(test, count=len(BOOKS)):
    """A stage whose site, served over HTTP, has the first `count` of BOOKS,
    titled 一, 二, ..."""
    stage = Stage(test)
    stage.test = test
    site = stage.site()
    for code, title in zip(BOOKS[:count], "一二三四"):
        site.book(code, title)
    return stage, CatalogueServer(test, stage.path("site"))


class LostConnection(unittest.TestCase):

    def test_a_server_that_stops_keeps_the_books_found(self):
        # The server stops while it holds the third code's search: that code
        # gets no page, the fourth's connection test fails and ends the
        # run. The two books found are written; the message and the log say
        # where it stopped; the last two codes are the ones to try again.
        stage, server = books_stage(self)
        server.special[e2e.SEARCH_PATH + "?keyword=" + BOOKS[2].decode()] = ("hold",)
        stage.write("kanadeya.ini", settings_file(server.url, log="k.log"))
        running = stage.start(*stage.lookup_command("--delay", "0", "--timeout", "30",
                                                    codes=b"\r\n".join(BOOKS), site=False))
        self.assertTrue(server.held.wait(60))
        # Nothing listens any more, then the held search ends unanswered.
        server.httpd.shutdown()
        server.httpd.server_close()
        server.released.set()
        running.wait(60)
        result = running.result()
        self.assertEqual(["一", "二"], titles(stage))
        text = said(result)
        self.assertTrue(text.startswith(NO_CONNECTION_MESSAGE + "\r\nサイト " + server.url),
                        text)
        if not stage.win32:  # Wine's trace shows only the start of a long message
            self.assertIn("それまでに見つかった本 2件を書き出しました。4 番目のコードから後は"
                          "調べていません。", text)
            # The site had answered: the address is not what to check.
            self.assertIn("サイトが検索の途中で応答しなくなりました。", text)
            self.assertNotIn("BaseUrl", text)
            self.assertIn(report(4, 2, not_fetched=1, not_reached=1), text)
        self.assertEqual(b"\r\n".join(BOOKS[2:]) + b"\r\n",
                         read(os.path.join(stage.data, RETRY_LIST)))
        log = read_log(stage.path("k.log"))
        self.assertEqual(["4", BOOKS[3].decode(), BOOKS[3].decode(),
                          "接続なし：サイトに接続できませんでした（ここで検索を終えました）"],
                         log[-2][1:5])
        self.assertEqual(["終了", "コード 4件中 3件", "見つかった本 2件", "書き出した本 2件",
                          stage.arg(stage.path("out.csv")),
                          "4 番目のコードから後は、サイトに接続できなかったため調べていません"],
                         log[-1][1:7])


class Report(unittest.TestCase):
    """Each setup that finds less than every book ends with one report of
    the counts and a list of the codes to try again; a clean run shows
    nothing and leaves no list."""

    def test_failing_setups(self):
        codes = [BOOKS[0], INVALID, BOOKS[1]]
        cases = [
            # (name, BaseUrl for the server's address, special answers, counts, titles)
            ("404", "{url}/wrong", {}, dict(not_fetched=2, invalid=1), []),
            ("500", "{url}", {1: ("status", 500)}, dict(not_fetched=1, invalid=1), ["二"]),
            ("503", "{url}", {1: ("status", 503)}, dict(not_fetched=1, invalid=1), ["二"]),
            ("https", "https://{host}", {}, dict(not_fetched=2, invalid=1), []),
        ]
        for name, base_url, special, counts, found in cases:
            with self.subTest(name=name):
                stage, server = books_stage(self, 2)
                for n, answer in special.items():
                    server.special[e2e.SEARCH_PATH + "?keyword=" + BOOKS[n - 1].decode()] = answer
                url = base_url.format(url=server.url, host=server.url[len("http://"):])
                stage.write("kanadeya.ini", settings_file(url))
                result = lookup(stage, codes=b"\r\n".join(codes))
                self.assertTrue(shows(result, report(3, len(found), **counts)),
                                result.messages)
                failed = [c for c in codes if c == INVALID or
                          (name in ("404", "https") or c == BOOKS[0])]
                self.assertEqual(b"".join(c + b"\r\n" for c in failed),
                                 retry_list(stage.data))
                self.assertEqual(found, titles(stage))

    def test_only_invalid_codes(self):
        stage, server = books_stage(self, 0)
        stage.write("kanadeya.ini", settings_file(server.url))
        result = lookup(stage, codes=INVALID + b"\r\nabc")
        self.assertTrue(shows(result, report(2, 0, invalid=2)), result.messages)
        self.assertEqual(INVALID + b"\r\nabc\r\n", retry_list(stage.data))
        self.assertEqual(b"", stage.output())

    def test_a_held_page(self):
        stage, server = books_stage(self, 2)
        stage.write("kanadeya.ini", settings_file(server.url))
        os.makedirs(os.path.join(stage.data, "Temp.html"))
        result = lookup(stage, codes=b"\r\n".join(BOOKS[:2]))
        self.assertTrue(shows(result, report(2, 0, not_fetched=2)), result.messages)
        self.assertEqual(b"\r\n".join(BOOKS[:2]) + b"\r\n", retry_list(stage.data))

    def test_a_second_run_of_the_list_finds_what_the_site_now_has(self):
        # The list is replaced by a run that still misses codes, and removed
        # by a clean run; a clean run shows nothing. Report=0 keeps the list
        # and drops the message.
        stage, server = books_stage(self, 1)
        stage.write("kanadeya.ini", settings_file(server.url))
        lookup(stage, codes=b"\r\n".join(BOOKS[:3]))
        self.assertEqual(b"\r\n".join(BOOKS[1:3]) + b"\r\n", retry_list(stage.data))
        stage.site().book(BOOKS[1], "二")
        result = lookup(stage, "--codes", stage.arg(os.path.join(stage.data, RETRY_LIST)),
                        codes=None)
        self.assertTrue(shows(result, report(2, 1, not_fetched=1)), result.messages)
        self.assertEqual(["二"], titles(stage))
        self.assertEqual(BOOKS[2] + b"\r\n", retry_list(stage.data))
        stage.site().book(BOOKS[2], "三")
        result = lookup(stage, "--codes", stage.arg(os.path.join(stage.data, RETRY_LIST)),
                        codes=None)
        self.assertEqual([], result.messages)
        self.assertEqual(["三"], titles(stage))
        self.assertIsNone(retry_list(stage.data))
        stage.write("kanadeya.ini", settings_file(server.url) + b"[Window]\r\nReport=0\r\n")
        result = lookup(stage, codes=BOOKS[3])
        self.assertEqual([], result.messages)
        self.assertEqual(BOOKS[3] + b"\r\n", retry_list(stage.data))


class CodesExplained(unittest.TestCase):

    def test_slips_repeats_and_long_codes_in_the_log(self):
        # A wrong check digit (the one that fits), the second bar-code row,
        # a code listed twice, a code of 100 KB cut with its length, a tab
        # shown as a mark; the title with its volume.
        stage, server = books_stage(self, 1)
        stage.site().book(b"9784888300056", "ピアノ曲集 第2巻")
        stage.write("kanadeya.ini", settings_file(server.url, log="k.log"))
        long_code = b"9" * 100000
        codes = [b"9784888100114", b"1920073012003", BOOKS[0], b"97848883\t00056", BOOKS[0],
                 long_code]
        result = lookup(stage, codes=b"\r\n".join(codes))
        self.assertEqual(0, result.status, result.stderr_lines)
        log = read_log(stage.path("k.log"))
        lines = run_lines(log, log[-1][0])
        invalid = "無効なコード：ISBN でもバーコードでもありません"
        self.assertEqual(["1", "9784888100114", "", invalid,
                          "ISBN の最後の数字（チェック数字）が合いません。どこかの数字を"
                          "読みちがえたか、打ちまちがえたようです。本のコードと見比べるか、"
                          "もう一度読み取ってください。"],
                         lines[0])
        self.assertEqual(["2", "1920073012003", "", invalid,
                          "本の2段目のバーコード（192 で始まる分類と価格）です。"
                          "1段目（978 か 979 で始まる方）を読み取ってください。"], lines[1])
        self.assertEqual(["3", BOOKS[0].decode(), BOOKS[0].decode(), "見つかりました", "一"],
                         lines[2])
        self.assertEqual(["4", "97848883□00056", "9784888300056", "見つかりました",
                          "ピアノ曲集 2"], lines[3])
        self.assertEqual(["5", BOOKS[0].decode(), BOOKS[0].decode(), "見つかりました", "一",
                          "3 番目と同じ本です", "この検索で取得済みのページから"], lines[4])
        self.assertEqual(["6", "9" * 32 + "…（100000 バイト）", "", invalid], lines[5])
        # The list holds the codes as they were given, the long one whole.
        self.assertEqual(b"\r\n".join(codes[:2] + [long_code]) + b"\r\n",
                         retry_list(stage.data))


class SettingsAsNotepadSavesThem(unittest.TestCase):

    def test_utf8_without_a_byte_order_mark(self):
        # UTF-8 without a mark gives the same log as with one; the same text
        # in Shift_JIS still reads as Shift_JIS. Under Wine the log's name is
        # ASCII (its file names follow a locale this machine may lack), and
        # a Japanese comment makes the file one of multi-byte sequences.
        stage, server = books_stage(self, 1)
        name = "kiroku.log" if stage.win32 else "記録.log"
        text = "; 検索のログ\r\n[Site]\r\nBaseUrl=%s\r\n[Log]\r\nFile=%s\r\n" % (server.url, name)
        for encoding, bom in (("utf-8", b"\xef\xbb\xbf"), ("utf-8", b""), ("cp932", b"")):
            with self.subTest(encoding=encoding, bom=bom):
                for old in os.listdir(stage.folder):
                    if old.endswith(".log"):
                        os.remove(stage.path(old))
                stage.write("kanadeya.ini", bom + text.encode(encoding))
                result = lookup(stage, codes=BOOKS[0])
                self.assertEqual([], result.messages)
                # Natively a file name is the plug-in's Shift_JIS bytes.
                self.assertEqual([name.encode("cp932")],
                                 [n for n in os.listdir(stage.folder.encode()) if n.endswith(b".log")])


if __name__ == "__main__":
    e2e.main()
