#!/usr/bin/env python3
"""Runs killed half way: the journal a run keeps in the data folder lets the
next run deliver the killed run's books without fetching them again, or keep
them in a file of their own when it looks up other codes.

    test_killed_runs.py --build-dir BUILD --source-dir SOURCE [--emulator RUNNER]
                        [unittest arguments]

The arguments are those of test_hakobune.py. The site comes over HTTP from
the tests' own server, given with --site.
"""
import os
import re
import unittest

import test_hakobune as e2e
from test_hakobune import (CatalogueServer, Stage, check_import_file, column, said, retry_list,
                           COL_TITLE)

JOURNAL = re.compile(r"^kanadeya-journal-(\d{8}-\d{6})-(\d+)\.dat$")
KILLED_AT = 30  # the code whose search the site holds when the run is killed


def isbn13(n):
    """The n-th of the tests' ISBN-13s, with its check digit."""
    code = "978488820%03d" % n
    check = (10 - sum((1, 3)[i % 2] * int(d) for i, d in enumerate(code))) % 10
    return (code + str(check)).encode()


CODES = [isbn13(n) for n in range(1, 41)]  # CODES[n - 1] is code n, all found
OTHERS = [isbn13(n) for n in range(41, 44)]


def fetches(codes):
    """The requests that look up `codes`: each one's search and detail page."""
    return [t for c in codes for t in (e2e.SEARCH_PATH + "?keyword=" + c.decode(),
                                       e2e.DETAIL_PATH + "?id=id-" + c.decode())]


def journals(stage):
    return [n for n in os.listdir(stage.data) if JOURNAL.match(n)]


def titles(test, data):
    return [column(line, COL_TITLE) for line in check_import_file(test, data)]


class KilledRuns(unittest.TestCase):

    def setUp(self):
        self.stage = Stage(self)
        site = self.stage.site()
        for n, code in enumerate(CODES + OTHERS, 1):
            site.book(code, "本%d" % n)
        self.server = CatalogueServer(self, site.root)

    def run_codes(self, codes, stage=None):
        """A run of `codes` to its end; its result and the requests it made."""
        stage = stage or self.stage
        before = len(self.server.requests)
        result = stage.lookup(codes=b"\r\n".join(codes), site=self.server.url, timeout="60")
        self.assertEqual(0, result.status, result.stderr_lines)
        return result, [r[1] for r in self.server.requests[before:]]

    def kill_at_code_30(self):
        """Runs CODES and kills the run (SIGKILL, its process group) while the
        site holds code 30's search; the name of the journal it had then."""
        held = e2e.SEARCH_PATH + "?keyword=" + CODES[KILLED_AT - 1].decode()
        self.server.special[held] = ("hold",)
        running = self.stage.start(*self.stage.lookup_command(
            codes=b"\r\n".join(CODES), site=self.server.url, timeout="60"))
        self.addCleanup(running.kill)
        self.assertTrue(self.server.held.wait(120), running.stderr_so_far())
        during = journals(self.stage)
        running.kill()
        running.result()
        del self.server.special[held]
        self.server.released.set()
        self.assertEqual(fetches(CODES[:KILLED_AT - 1]) + [held],
                         [r[1] for r in self.server.requests])
        self.assertIsNone(self.stage.output())
        # The journal is there while the run holds the data folder.
        self.assertEqual(1, len(during), os.listdir(self.stage.data))
        return during[0]

    def test_the_same_codes_again_fetch_only_what_was_not_done(self):
        self.kill_at_code_30()
        result, asked = self.run_codes(CODES)
        allowed = fetches(CODES[KILLED_AT - 1:])
        self.assertEqual([], [t for t in asked if t not in allowed])
        self.assertLessEqual(len(asked), len(allowed))
        self.assertEqual([], journals(self.stage))
        # Byte for byte the import file of a run that was never killed.
        fresh = Stage(self)
        self.run_codes(CODES, stage=fresh)
        self.assertEqual(fresh.output(), self.stage.output())
        self.assertEqual(["本%d" % n for n in range(1, 41)], titles(self, self.stage.output()))

    def test_a_code_listed_three_times(self):
        # The repeats take the book the run already has: one search, one
        # detail page, the same line three times.
        result, asked = self.run_codes([CODES[0]] * 3)
        self.assertEqual(fetches(CODES[:1]), asked)
        data = self.stage.output()
        self.assertEqual(["本1"] * 3, titles(self, data))
        self.assertEqual(data[:len(data) // 3] * 3, data)
        self.assertEqual([], journals(self.stage))

    def test_other_codes_after_a_killed_run(self):
        # The killed run's books are kept under its start and process; its
        # codes are to be tried again; a later run delivers none of them.
        journal = self.kill_at_code_30()
        stamp, pid = JOURNAL.match(journal).groups()
        kept = os.path.join(self.stage.data, "kanadeya-books-%s-%s.csv" % (stamp, pid))
        others = ["本%d" % n for n in range(41, 44)]
        result, asked = self.run_codes(OTHERS)
        self.assertEqual(fetches(OTHERS), asked)
        self.assertEqual(others, titles(self, self.stage.output()))
        self.assertTrue(os.path.isfile(kept), os.listdir(self.stage.data))
        self.assertEqual(["本%d" % n for n in range(1, KILLED_AT)],
                         titles(self, e2e.read(kept)))
        if not self.stage.win32:  # Wine's trace shows only the start of a long message
            self.assertIn(self.stage.arg(kept), said(result))
        self.assertEqual(b"".join(c + b"\r\n" for c in CODES), retry_list(self.stage.data))
        result, asked = self.run_codes(OTHERS)
        self.assertEqual(fetches(OTHERS), asked)
        self.assertEqual(others, titles(self, self.stage.output()))
        kept_files = [n for n in os.listdir(self.stage.data) if n.startswith("kanadeya-books-")]
        self.assertEqual([os.path.basename(kept)], kept_files)
        self.assertEqual([], journals(self.stage))


if __name__ == "__main__":
    e2e.main()
