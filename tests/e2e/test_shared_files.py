#!/usr/bin/env python3
"""Files that other programs and a second host touch while a run uses them:
a "Temp.html" that will not go, two hosts writing one import file, two hosts
on one data folder, links where the import file goes, an earlier import file
that cannot be replaced, books kept when the import file cannot be put in
place, leftovers of killed runs, two or three hosts rolling one log over, and
under Wine, names whose characters end in the byte of "\\".

    test_shared_files.py --build-dir BUILD --source-dir SOURCE [--emulator RUNNER]
                         [--file-holder HOLD_FILE_EXE] [unittest arguments]

The arguments are those of test_hakobune.py; under Wine, --file-holder names
tests/programs/file_holder's program, a second Wine process that holds a
file open (a Linux process holding it does not count for Wine). Natively,
faults are made with strace (-e inject) and, as root, by running the host
as an unprivileged user (setpriv); cases that need what this machine lacks
are skipped.
"""
import os
import random
import re
import shutil
import stat
import subprocess
import tempfile
import time
import unittest

import test_hakobune as e2e
from test_hakobune import (BOOKS, RETRY_LIST, CatalogueServer, Stage, check_import_file,
                           column, read, report, retry_list, search_page, detail_page, shows,
                           COL_TITLE)
from test_user_files import settings_file, read_log, lookup, have_strace, under_strace

IN_THE_WAY = "取得できません：ページを受け取るファイルを消せません"
OLD_FILE_STANDS = "このファイルには前回の検索の本が残っています。"
OUTPUT_NOT_WRITTEN = "取り込みファイルを書き込めませんでした。"
FOLDER_IN_USE = "このデータフォルダーは、ほかのハコブネの検索が使っています。"
BOOKS_KEPT = ("件は取り込みファイルに入っていません。本は次のファイルに残しました。"
              "ハコブネの取り込み（インポート）でこのファイルを選ぶと取り込めます：")
KEPT_BOOKS = re.compile(r"^kanadeya-books-\d{8}-\d{6}-\d+\.csv$")
MEGABYTE = 1024 * 1024


def run_traced(stage, command, *strace_args, wait=True):
    """Runs (or starts) the native host with `command` under strace."""
    saved = e2e.OPTIONS.emulator
    e2e.OPTIONS.emulator = under_strace(*strace_args)
    try:
        if wait:
            return stage.run(*command)
        return stage.start(*command)
    finally:
        e2e.OPTIONS.emulator = saved


class HeldFile:
    """Under Wine, a second Wine process holding `path` open with
    `sharing` ("read", "read-write" or "delete") until release()."""

    def __init__(self, test, stage, path, sharing):
        self.log = tempfile.TemporaryFile()
        command = list(e2e.OPTIONS.emulator) + [e2e.OPTIONS.file_holder, stage.arg(path), sharing]
        env = dict(os.environ, WINEDEBUG="-all")
        self.process = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=self.log,
                                        stderr=subprocess.STDOUT, env=env,
                                        start_new_session=True)
        test.addCleanup(self.release)
        deadline = time.monotonic() + 60
        while b"held" not in self.output():
            if self.process.poll() is not None or time.monotonic() > deadline:
                test.fail("the holder did not hold %s: %r" % (path, self.output()))
            time.sleep(0.05)

    def output(self):
        self.log.seek(0)
        return self.log.read()

    def release(self):
        if self.process.stdin and not self.process.stdin.closed:
            self.process.stdin.close()
            self.process.wait(60)
            self.log.close()


def needs_holder(test):
    if not e2e.OPTIONS.file_holder:
        test.skipTest("no file holder given (--file-holder)")


def titles(test, data):
    """The titles of an import file's books, once it reads as one."""
    return [column(line, COL_TITLE) for line in check_import_file(test, data)]


def folder_files(folder):
    """The files of `folder` and their bytes."""
    return {name: read(os.path.join(folder, name)) for name in os.listdir(folder)}


def code_lines(log):
    """The log's code lines of its last run: [position, code, key, outcome, detail...]."""
    tag = log[-1][0]
    return [line[1:] for line in log if line[0] == tag and line[1] != "終了"]


# --- "Temp.html" that will not go --------------------------------------------------

class HeldPage(unittest.TestCase):
    """A page's file that cannot be cleared before a download is never read
    as that download's page: the code gives no line and no "見つかりません",
    its log line names the file and why, and the other codes are right."""

    def stage(self):
        stage = Stage(self)
        site = stage.site()
        site.book(BOOKS[0], "一")
        site.book(BOOKS[1], "二")
        site.search(BOOKS[2], b"<html>\n<p>no hits</p>\n")
        stage.write("kanadeya.ini", settings_file(log="k.log"))
        # What an earlier run left: another book's page.
        stage.write(os.path.join("data", "Temp.html"), detail_page("古いページ"))
        return stage

    def check(self, stage, result, found, held, why):
        self.assertEqual(0, result.status, result.stderr_lines)
        lines = check_import_file(self, stage.output())
        self.assertEqual(found, [column(l, COL_TITLE) for l in lines])
        page = stage.arg(os.path.join(stage.data, "Temp.html"))
        outcomes = [line[3:] for line in code_lines(read_log(stage.path("k.log")))]
        self.assertEqual(len(found) + held, len(outcomes), outcomes)
        for outcome in outcomes[len(found):]:
            self.assertEqual([IN_THE_WAY, page + why], outcome)

    def test_a_folder_in_its_place(self):
        stage = self.stage()
        os.remove(os.path.join(stage.data, "Temp.html"))
        os.makedirs(os.path.join(stage.data, "Temp.html"))
        result = stage.lookup(codes=b"\r\n".join(BOOKS[:3]))
        self.check(stage, result, [], 3, "（同じ名前のフォルダーがあります）")

    def test_a_page_another_program_holds(self):
        # Under Wine: held without delete sharing, then with it (a delete
        # only marks it). Once let go, the same codes are found.
        stage = self.stage()
        if not stage.win32:
            self.skipTest("under Wine")
        needs_holder(self)
        page = os.path.join(stage.data, "Temp.html")
        for sharing, why in (("read", "（ほかのプログラムが開いています）"),
                             ("delete", "（ほかのプログラムが閉じるまで消えません）")):
            with self.subTest(sharing=sharing):
                holder = HeldFile(self, stage, page, sharing)
                result = stage.lookup(codes=b"\r\n".join(BOOKS[:2]))
                holder.release()
                self.check(stage, result, [], 2, why)
        result = stage.lookup(codes=b"\r\n".join(BOOKS[:3]))
        self.assertEqual(["一", "二"],
                         [column(l, COL_TITLE) for l in check_import_file(self, stage.output())])


# --- Two hosts, one import file ----------------------------------------------------

class TwoHostsOneImportFile(unittest.TestCase):
    """Whatever the order in which two hosts end, the import file they share
    is one host's whole file, and no file of either is left beside it."""

    def race(self, rounds, many, slow_write):
        stage = Stage(self)
        site = stage.site()
        site.book(BOOKS[0], "多")
        site.book(BOOKS[1], "一")
        os.makedirs(stage.path("data1"))
        lists = [stage.write("many.txt", b"\r\n".join([BOOKS[0]] * many)),
                 stage.write("one.txt", BOOKS[1])]
        commands = [stage.lookup_command("--quiet", "--codes", stage.arg(codes), out="same.csv")
                    for codes in lists]
        commands[1][2] = stage.arg(stage.path("data1"))
        seen = set()
        for n in range(rounds):
            with self.subTest(round=n):
                runs = [stage.start(*commands[0])]
                if slow_write:
                    # The one-book host's write put off by up to twice the
                    # other's run, so that it ends before or after it.
                    delay = "%d" % random.randint(0, 600000)
                    runs.append(run_traced(stage, commands[1], "-e", "trace=fsync",
                                           "-e", "inject=fsync:delay_enter=" + delay, wait=False))
                else:
                    runs.append(stage.start(*commands[1]))
                for running in runs:
                    running.wait(240)
                    # Each host wrote its whole file, and is told so.
                    self.assertEqual([], running.result().messages)
                lines = check_import_file(self, stage.output("same.csv"))
                titles = [column(l, COL_TITLE) for l in lines]
                self.assertIn(titles, (["多"] * many, ["一"]))
                seen.add(len(titles))
                self.assertEqual(["same.csv"],
                                 [f for f in os.listdir(stage.folder) if f.startswith("same")])
        return seen

    def test_natively_with_the_race_widened(self):
        if e2e.OPTIONS.emulator or not have_strace():
            self.skipTest("natively, with strace")
        self.race(rounds=20, many=2000, slow_write=True)

    def test_under_wine(self):
        if not e2e.OPTIONS.emulator:
            self.skipTest("under Wine")
        self.race(rounds=3, many=200, slow_write=False)


# --- Two hosts, one data folder ---------------------------------------------------

class TwoHostsOneDataFolder(unittest.TestCase):
    """While one run uses a data folder, a second host's run there changes
    nothing but its own import file, which it clears, and says the folder is
    in use; the lock goes with the run, also with a killed one."""

    def test_a_second_host_changes_nothing_and_says_so(self):
        stage = Stage(self)
        site = stage.site()
        for code, title in zip(BOOKS, ("一", "二", "三")):
            site.book(code, title)
        server = CatalogueServer(self, site.root)
        held = e2e.SEARCH_PATH + "?keyword=" + BOOKS[2].decode()
        server.special[held] = ("hold",)
        # The first host's search for its fourth code is held by the site.
        codes = [c.decode() for c in [BOOKS[0]] * 3 + [BOOKS[2]] + [BOOKS[0]] * 3]
        first = stage.lookup_command("--quiet", *codes, site=server.url, out="out1.csv",
                                     timeout="60")
        second = stage.lookup_command(BOOKS[1].decode(), site=server.url, out="out2.csv")
        running = stage.start(*first)
        self.assertTrue(server.held.wait(60))
        stage.write("out2.csv", b"earlier\r\n")
        before, asked = folder_files(stage.data), len(server.requests)
        result = stage.run(*second)
        self.assertEqual(0, result.status, result.stderr_lines)
        separator = "\\" if stage.win32 else "/"
        self.assertTrue(shows(result, stage.arg(stage.data) + separator + "\r\n" + FOLDER_IN_USE),
                        result.messages)
        self.assertIsNone(stage.output("out2.csv"))
        self.assertEqual(before, folder_files(stage.data))
        self.assertEqual(asked, len(server.requests))
        server.released.set()
        running.wait(120)
        result = running.result()
        # The held code gave no book; the others are the first host's alone.
        self.assertTrue(shows(result, report(7, 6, not_fetched=1)), result.messages)
        self.assertEqual(["一"] * 6, titles(self, stage.output("out1.csv")))
        self.assertEqual(BOOKS[2] + b"\r\n", retry_list(stage.data))
        # A run killed while it holds the folder leaves it free, and its
        # books to the next run, which keeps them in a file of their own.
        server.held.clear()
        server.released.clear()
        running = stage.start(*first)
        self.assertTrue(server.held.wait(60))
        running.kill()
        server.released.set()
        result = stage.run(*second)
        self.assertTrue(shows(result, "前回終わらなかった検索（"), result.messages)
        self.assertEqual(["二"], titles(self, stage.output("out2.csv")))
        kept = [n for n in os.listdir(stage.data) if n.startswith("kanadeya-books-")]
        self.assertEqual(["一"] * 3, titles(self, read(os.path.join(stage.data, kept[0]))))
        self.assertEqual(BOOKS[0] + b"\r\n" + BOOKS[2] + b"\r\n", retry_list(stage.data))
        self.assertTrue(os.path.isfile(os.path.join(stage.data, e2e.DATA_LOCK)))


class SecondHostWhileTheFirstsMessageWaits(unittest.TestCase):
    """Under Wine with a display, where a message waits for its OK: a second
    host on the same data folder and import file is refused while the
    first's closing message waits, and the first's import file stays as the
    first wrote it (natively: tests/plugin/second_host_posix.cpp)."""

    def test_refused_and_nothing_changed(self):
        stage = Stage(self)
        if not stage.win32:
            self.skipTest("under Wine (natively, in plugin_tests)")
        site = stage.site()
        site.book(BOOKS[0], "一")
        site.book(BOOKS[1], "二")
        # A prefix of their own: a wineserver that other tests started
        # without a display would not let the first host's message wait.
        prefix = os.path.join(stage.folder, "prefix")
        shutil.copytree(os.environ.get("WINEPREFIX", os.path.expanduser("~/.wine")), prefix,
                        symlinks=True)
        wine = {"WINEPREFIX": prefix}
        self.addCleanup(subprocess.run, ["wineserver", "-k"], env=dict(os.environ, **wine))
        # BOOKS[2] is not on the site: the first run's report waits for its OK.
        first = stage.start(*stage.lookup_command(codes=BOOKS[0] + b"\r\n" + BOOKS[2]),
                            env=dict(wine, KANADEYA_WINE_DISPLAY="1"))
        self.addCleanup(first.kill)
        deadline = time.monotonic() + 120
        while b"OutputDebugStringA" not in first.stderr_so_far():
            self.assertLess(time.monotonic(), deadline, "the first host's message never came")
            time.sleep(0.1)
        written = stage.output()
        self.assertEqual(["一"], titles(self, written))
        result = stage.run(*stage.lookup_command(codes=BOOKS[1]), env=wine)
        self.assertTrue(shows(result, stage.arg(stage.data) + "\\\r\n" + FOLDER_IN_USE),
                        (result.status, result.messages, result.stderr_lines))
        self.assertEqual(written, stage.output())


class LockFileNotUsable(unittest.TestCase):
    """A lock file that cannot be used for any reason but another run: the
    run goes on, and its closing message, shown although every code gave a
    book, names kanadeya.lock and why."""

    NOT_USABLE = "このデータフォルダーのロックファイルを使えませんでした（"

    def check(self, stage, result, cause, out="out.csv"):
        separator = "\\" if stage.win32 else "/"
        lock = stage.arg(stage.data) + separator + e2e.DATA_LOCK
        self.assertEqual(0, result.status, result.stderr_lines)
        self.assertTrue(shows(result, lock + "\r\n" + self.NOT_USABLE + cause), result.messages)
        self.assertEqual(["一"], titles(self, stage.output(out)))

    def test_a_folder_in_its_place(self):
        stage = Stage(self)
        stage.site().book(BOOKS[0], "一")
        os.makedirs(os.path.join(stage.data, e2e.DATA_LOCK))
        self.check(stage, stage.lookup(codes=BOOKS[0]), "同じ名前のフォルダーがあります）。")

    def test_a_read_only_file(self):
        # Natively; as root, run as an unprivileged user, since root opens a
        # read-only file for writing.
        stage = Stage(self)
        if stage.win32:
            self.skipTest("natively (under Wine, a row of the run's fault context)")
        stage.site().book(BOOKS[0], "一")
        lock = os.path.join(stage.data, e2e.DATA_LOCK)
        stage.write(os.path.join("data", e2e.DATA_LOCK), b"")
        os.chmod(lock, 0o444)
        os.makedirs(stage.path("w"))
        for folder in (stage.folder, stage.path("w")):
            os.chmod(folder, 0o777 if folder != stage.folder else 0o755)
        os.chmod(stage.data, 0o777)
        command = stage.lookup_command(codes=BOOKS[0], out=os.path.join("w", "out.csv"))
        os.chmod(stage.path("codes.txt"), 0o644)
        saved = e2e.OPTIONS.emulator
        if os.geteuid() == 0:
            self.assertTrue(shutil.which("setpriv"), "setpriv is needed to run as another user")
            e2e.OPTIONS.emulator = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"]
        try:
            result = stage.run(*command)
        finally:
            e2e.OPTIONS.emulator = saved
        self.check(stage, result, "読み取り専用か、書き込む権限がありません）。",
                   out=os.path.join("w", "out.csv"))

    def test_a_file_another_program_holds(self):
        stage = Stage(self)
        if not stage.win32:
            self.skipTest("under Wine")
        needs_holder(self)
        stage.site().book(BOOKS[0], "一")
        stage.write(os.path.join("data", e2e.DATA_LOCK), b"")
        HeldFile(self, stage, os.path.join(stage.data, e2e.DATA_LOCK), "read")
        self.check(stage, stage.lookup(codes=BOOKS[0]), "ほかのプログラムが開いています）。")


# --- Links -------------------------------------------------------------------------

class Links(unittest.TestCase):
    """A link where the import file or a file of its pattern goes is removed
    or replaced, never followed: the file it points to stays as it was."""

    def test_links_at_the_import_file_and_its_leftovers(self):
        stage = Stage(self)
        stage.site().book(BOOKS[0], "一")
        names = ["out.csv", "out.csv.kanadeya-writing.tmp",
                 "out.csv.kanadeya-writing-999999-1.tmp"]
        for codes in (b"", BOOKS[0]):
            with self.subTest(codes=codes):
                for n, name in enumerate(names):
                    stage.write("victim%d.txt" % n, b"victim %d\r\n" % n)
                    if os.path.lexists(stage.path(name)):
                        os.remove(stage.path(name))
                    os.symlink(stage.path("victim%d.txt" % n), stage.path(name))
                    # The earlier releases' fixed name counts as a leftover
                    # only once it is an hour old.
                    os.utime(stage.path(name), (time.time() - 7200,) * 2, follow_symlinks=False)
                    os.utime(stage.path("victim%d.txt" % n), (time.time() - 7200,) * 2)
                result = stage.lookup(codes=codes)
                self.assertEqual(0, result.status, result.stderr_lines)
                for n in range(len(names)):
                    self.assertEqual(b"victim %d\r\n" % n, read(stage.path("victim%d.txt" % n)))
                out = stage.path("out.csv")
                if codes:
                    self.assertFalse(os.path.islink(out))
                    self.assertEqual(1, len(check_import_file(self, read(out))))
                else:
                    self.assertFalse(os.path.lexists(out))
                self.assertEqual(["out.csv"] if codes else [],
                                 [f for f in os.listdir(stage.folder) if f.startswith("out.csv")])

    def test_a_link_planted_while_the_run_goes(self):
        # Natively: links at the names the run would try first for its
        # file, made while the site holds the run's search.
        stage = Stage(self)
        if stage.win32:
            self.skipTest("natively: the host's process number is the name's")
        stage.site().book(BOOKS[0], "一")
        server = CatalogueServer(self, stage.path("site"))
        server.special[e2e.SEARCH_PATH + "?keyword=" + BOOKS[0].decode()] = ("hold",)
        stage.write("kanadeya.ini", settings_file(server.url))
        stage.write("victim.txt", b"victim\r\n")
        running = stage.start(*stage.lookup_command("--delay", "0", "--timeout", "60",
                                                    codes=BOOKS[0], site=False))
        self.assertTrue(server.held.wait(60))
        pid = running_pid(stage)
        names = ["out.csv.kanadeya-writing-%d-%d.tmp" % (pid, n) for n in range(1, 4)]
        for name in names + ["out.csv.kanadeya-writing.tmp"]:
            os.symlink(stage.path("victim.txt"), stage.path(name))
        del server.special[e2e.SEARCH_PATH + "?keyword=" + BOOKS[0].decode()]
        server.released.set()
        running.wait(60)
        running.result()
        self.assertEqual(b"victim\r\n", read(stage.path("victim.txt")))
        self.assertFalse(os.path.islink(stage.path("out.csv")))


def running_pid(stage):
    """The process number of the one host running from `stage`."""
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                if os.readlink("/proc/%s/exe" % entry) == stage.host:
                    return int(entry)
            except OSError:
                pass
    raise AssertionError("no host runs from " + stage.folder)


# --- An earlier import file that cannot be replaced --------------------------------

class EarlierImportFile(unittest.TestCase):
    """An earlier run's lines are never left to be imported as this run's:
    the file is removed, or emptied, or the message says it stands and
    names it."""

    OLD = b"old\r\n"

    def check(self, stage, result, emptied):
        said = "\r\n".join(result.messages)
        path = stage.arg(stage.path("ro", "out.csv"))
        self.assertTrue(said.startswith(OUTPUT_NOT_WRITTEN + "\r\n"), said)
        self.assertEqual(b"" if emptied else self.OLD, read(stage.path("ro", "out.csv")))
        # Wine's trace shows only the start of a long message: the note's
        # first words follow the path, or they do not.
        self.assertEqual(not emptied, path + "\r\n" + OLD_FILE_STANDS[:6] in said, said)
        if not stage.win32:
            self.assertEqual(not emptied, OLD_FILE_STANDS in said, said)

    def test_a_read_only_folder(self):
        # Natively, as an unprivileged user (root may write anything).
        stage = Stage(self)
        if stage.win32 or os.geteuid() != 0 or not shutil.which("setpriv"):
            self.skipTest("natively, as root")
        stage.site().book(BOOKS[0], "一")
        os.chmod(stage.folder, 0o755)
        os.chmod(stage.data, 0o777)
        os.makedirs(stage.path("ro"))
        for mode, emptied in ((0o644, False), (0o666, True)):
            with self.subTest(mode=oct(mode)):
                os.chmod(stage.path("ro"), 0o755)
                stage.write(os.path.join("ro", "out.csv"), self.OLD)
                os.chmod(stage.path("ro", "out.csv"), mode)
                os.chmod(stage.path("ro"), 0o555)
                command = stage.lookup_command(codes=BOOKS[0], out=os.path.join("ro", "out.csv"))
                os.chmod(stage.path("codes.txt"), 0o644)
                saved = e2e.OPTIONS.emulator
                e2e.OPTIONS.emulator = ["setpriv", "--reuid=65534", "--regid=65534",
                                        "--clear-groups"]
                try:
                    result = stage.run(*command)
                finally:
                    e2e.OPTIONS.emulator = saved
                self.check(stage, result, emptied)

    def test_a_file_another_program_holds(self):
        # Under Wine: held without write sharing it can be neither replaced
        # nor emptied; with it, it is emptied. The code finds no book, so
        # that no account of kept books pushes the note past what Wine's
        # trace shows (KeptBooks has books kept).
        stage = Stage(self)
        if not stage.win32:
            self.skipTest("under Wine")
        needs_holder(self)
        stage.site()
        os.makedirs(stage.path("ro"))
        for sharing, emptied in (("read", False), ("read-write", True)):
            with self.subTest(sharing=sharing):
                stage.write(os.path.join("ro", "out.csv"), self.OLD)
                holder = HeldFile(self, stage, stage.path("ro", "out.csv"), sharing)
                result = stage.lookup(codes=BOOKS[1], out=os.path.join("ro", "out.csv"))
                holder.release()
                self.check(stage, result, emptied)


# --- Books kept when the import file cannot be put in place ------------------------

class KeptBooks(unittest.TestCase):
    """The books of an import file that cannot be put in place are kept in a
    file of their own in the data folder, their codes are to be tried again,
    and the message names both files."""

    def test_an_import_file_that_cannot_be_replaced(self):
        stage = Stage(self)
        site = stage.site()
        site.book(BOOKS[0], "一")
        site.book(BOOKS[1], "二")
        codes = [BOOKS[0], BOOKS[3], BOOKS[1]]  # BOOKS[3] has no page
        out = stage.path("out.csv")
        # A folder in its place; under Wine also a file held without delete
        # sharing, which can be neither renamed over nor emptied.
        for how in ("folder", "held") if stage.win32 else ("folder",):
            with self.subTest(how=how):
                for name in os.listdir(stage.data):
                    os.remove(os.path.join(stage.data, name))
                if how == "folder":
                    os.makedirs(os.path.join(out, "x"))
                else:
                    needs_holder(self)
                    shutil.rmtree(out)
                    stage.write("out.csv", b"earlier\r\n")
                    holder = HeldFile(self, stage, out, "read")
                result = stage.lookup(codes=b"\r\n".join(codes))
                if how == "held":
                    holder.release()
                self.assertEqual(0, result.status, result.stderr_lines)
                kept = [n for n in os.listdir(stage.data) if KEPT_BOOKS.match(n)]
                self.assertEqual(1, len(kept), os.listdir(stage.data))
                kept = os.path.join(stage.data, kept[0])
                self.assertEqual(["一", "二"], titles(self, read(kept)))
                self.assertEqual(b"".join(c + b"\r\n" for c in codes), retry_list(stage.data))
                self.assertTrue(shows(result, OUTPUT_NOT_WRITTEN + "\r\n" + stage.arg(out)
                                      + "\r\n見つかった本 2" + BOOKS_KEPT + "\r\n" + stage.arg(kept)),
                                result.messages)
                self.assertEqual(["out.csv"],
                                 [f for f in os.listdir(stage.folder) if f.startswith("out.csv")])


# --- Leftovers of killed runs ------------------------------------------------------

class Leftovers(unittest.TestCase):

    def test_read_only_leftovers_never_block_a_run(self):
        # A live writer's file is left alone; a gone writer's file, and the
        # earlier releases' fixed name once an hour old, go.
        stage = Stage(self)
        stage.site().book(BOOKS[0], "一")
        live = "out.csv.kanadeya-writing-%d-1.tmp" % os.getpid()
        gone = "out.csv.kanadeya-writing-999999-1.tmp"
        fixed = "out.csv.kanadeya-writing.tmp"
        for name in (live, gone, fixed):
            stage.write(name, b"half")
            os.chmod(stage.path(name), stat.S_IREAD)
        os.utime(stage.path(fixed), (time.time() - 7200,) * 2)
        result = stage.lookup(codes=BOOKS[0])
        self.assertEqual([], result.messages)
        self.assertEqual(1, len(check_import_file(self, stage.output())))
        left = sorted(f for f in os.listdir(stage.folder) if f.startswith("out.csv"))
        # Under Wine the test's own process number names no Wine process.
        self.assertEqual(["out.csv"] if stage.win32 else ["out.csv", live], left)


# --- One log, several hosts --------------------------------------------------------

def host_commands(stage, count):
    """Lookups of BOOKS[0] for `count` hosts, each with a data folder and an
    import file of its own, and the stage's kanadeya.ini."""
    commands = []
    for host in range(count):
        os.makedirs(stage.path("data%d" % host))
        commands.append(stage.lookup_command("--quiet", codes=BOOKS[0], out="out%d.csv" % host))
        commands[-1][2] = stage.arg(stage.path("data%d" % host))
    return commands


class LogRollOver(unittest.TestCase):
    """Three hosts starting together on a log past 1 MB with no ".old" keep
    every earlier line in the log or its ".old"."""

    def rounds(self, count, slow_rename):
        stage = Stage(self)
        stage.site().book(BOOKS[0], "一")
        stage.write("kanadeya.ini", settings_file(log="k.log"))
        earlier = [b"01:02:03/9\t%d\tline %d\t" % (n, n) + b"x" * 80 for n in range(12000)]
        old = b"2026-01-01 00:00:00\tkanadeya 1.1.3\r\n" + b"\r\n".join(earlier) + b"\r\n"
        self.assertGreater(len(old), MEGABYTE)
        commands = host_commands(stage, 3)
        for n in range(count):
            with self.subTest(round=n):
                stage.write("k.log", old)
                if os.path.exists(stage.path("k.log.old")):
                    os.remove(stage.path("k.log.old"))
                runs = []
                for host, command in enumerate(commands):
                    if slow_rename:
                        # All three under strace, so that they start alike;
                        # the first one's rename held back two seconds.
                        renames = "rename,renameat,renameat2"
                        inject = ["-e", "inject=%s:delay_enter=2000000" % renames] \
                            if host == 0 else []
                        runs.append(run_traced(stage, command, "-e", "trace=" + renames,
                                               *inject, wait=False))
                    else:
                        runs.append(stage.start(*command))
                for running in runs:
                    running.wait(120)
                    running.result()
                kept = read(stage.path("k.log"))
                if os.path.exists(stage.path("k.log.old")):
                    kept += read(stage.path("k.log.old"))
                kept = set(kept.split(b"\r\n"))
                self.assertEqual([], [line for line in earlier if line not in kept][:3])
                runs_logged = [l for l in kept if re.match(rb"^\d{4}-\d\d-\d\d ", l)]
                self.assertEqual(4, len(runs_logged))

    def test_three_hosts_at_once(self):
        if e2e.OPTIONS.emulator:
            self.skipTest("natively")
        self.rounds(30, slow_rename=False)

    def test_three_hosts_one_renaming_slowly(self):
        if e2e.OPTIONS.emulator or not have_strace():
            self.skipTest("natively, with strace")
        self.rounds(4, slow_rename=True)

    def test_a_log_renamed_while_checked_is_still_written(self):
        # One host rolls the log over and leaves its name empty for 1.5 s;
        # the other has seen the log just before and asks whether it may
        # write to it while the name is empty: a file that is gone is not
        # read-only, and both runs are logged.
        if e2e.OPTIONS.emulator or not have_strace():
            self.skipTest("natively, with strace")
        stage = Stage(self)
        stage.site().book(BOOKS[0], "一")
        stage.write("kanadeya.ini", settings_file(log="k.log"))
        stage.write("k.log", b"2026-01-01 00:00:00\tkanadeya 1.1.3\r\n" + b"x" * MEGABYTE + b"\r\n")
        commands = host_commands(stage, 2)
        # The loader's check of /etc/ld.so.preload is the first access.
        checker = run_traced(stage, commands[0], "-e", "trace=access",
                             "-e", "inject=access:delay_enter=700000:when=2", wait=False)
        roller = run_traced(stage, commands[1], "-e", "trace=flock,rename",
                            "-e", "inject=flock:delay_enter=300000:when=1",
                            "-e", "inject=rename:delay_exit=1500000:when=1", wait=False)
        for running in (checker, roller):
            running.wait(120)
            running.result()
        kept = read(stage.path("k.log")) + read(stage.path("k.log.old"))
        self.assertEqual(3, len(re.findall(rb"(?m)^\d{4}-\d\d-\d\d ", kept)))


# --- Names whose characters end in the byte of "\" -------------------------------

def japanese_locale(test):
    """The environment that lets Wine read and make Japanese file names: the
    ja_JP.UTF-8 locale on the Linux side, the system's or, where it is not
    generated, one made here for the test alone (LOCPATH). Without it Wine
    maps no such name to a Linux one."""
    listed = subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout
    if any(name.lower() in ("ja_jp.utf8", "ja_jp.utf-8") for name in listed.split()):
        return {}
    if not shutil.which("localedef"):
        test.skipTest("no ja_JP.UTF-8 locale and no localedef to make one")
    folder = tempfile.mkdtemp(prefix="kanadeya-locale-")
    test.addCleanup(shutil.rmtree, folder, True)
    made = subprocess.run(["localedef", "-i", "ja_JP", "-f", "UTF-8",
                           os.path.join(folder, "ja_JP.UTF-8")], capture_output=True)
    if not os.path.isdir(os.path.join(folder, "ja_JP.UTF-8")):
        test.skipTest("localedef made no ja_JP.UTF-8: %r" % made.stderr[-200:])
    return {"LOCPATH": folder}


class JapaneseNames(unittest.TestCase):
    """Under Wine: a log, an import file and a data folder in a folder 表,
    named 予定 and ソ, whose last bytes are that of "\\", are found where they
    are: the log is taken and written, the earlier files beside the import
    file and the log are cleared, the lists and locks go into the data folder."""

    def test_names_ending_in_the_separator_byte(self):
        stage = Stage(self)
        if not stage.win32:
            self.skipTest("under Wine: POSIX names are split at \"/\" alone")
        env = japanese_locale(self)
        stage.site().book(BOOKS[0], "一")
        folder, data = stage.path("表"), stage.path("表", "ソ")
        os.makedirs(data)
        out = os.path.join(folder, "予定.csv")
        command = ["lookup", "--data-dir", stage.arg(data), "--out", stage.arg(out),
                   "--site", stage.arg(stage.path("site")), BOOKS[0].decode(), BOOKS[3].decode()]
        for name in ("予定.log", "表.log"):
            with self.subTest(log=name):
                log = os.path.join(folder, name)
                stage.write("kanadeya.ini", settings_file(log=stage.arg(log)))
                # What earlier runs left: an import file, a gone writer's
                # file beside it, a list of codes beside the log.
                stage.write(out, b"earlier\r\n")
                stage.write(out + ".kanadeya-writing-999999-1.tmp", b"half")
                stage.write(os.path.join(folder, RETRY_LIST), b"old\r\n")
                result = stage.run(*command, env=env)
                self.assertEqual(0, result.status, result.stderr_lines)
                self.assertEqual(1, len(result.messages), result.messages)
                self.assertTrue(shows(result, report(2, 1, not_fetched=1)), result.messages)
                self.assertEqual(["一"], titles(self, read(out)))
                code = BOOKS[0].decode()
                self.assertEqual([["1", code, code, "見つかりました", "一"]],
                                 code_lines(read_log(log))[:1])
                self.assertEqual(BOOKS[3] + b"\r\n", retry_list(data))
                self.assertEqual(["予定.csv"],
                                 [f for f in os.listdir(folder) if f.startswith("予定.csv")])
                self.assertFalse(os.path.exists(os.path.join(folder, RETRY_LIST)))
                self.assertTrue(os.path.isfile(os.path.join(data, e2e.DATA_LOCK)))


if __name__ == "__main__":
    e2e.main()
