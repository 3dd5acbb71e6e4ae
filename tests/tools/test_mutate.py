#!/usr/bin/env python3
"""Tests of the mutation sampler, tools/mutate.py.

    test_mutate.py --source-dir SOURCE [--build-dir BUILD] [unittest arguments]

Places and Listing read the sources only; Equivalents reads the list of
equivalent mutants (tools/equivalent-mutants.txt): how a place is found, what
makes an entry stale, and that every entry of the real list names a place of
the sources. FixtureRun runs the sampler over a small CMake project of its
own in a temporary folder (a killed, a surviving, a hanging and a not
compiling mutant, and two in code the build leaves out; a mutant that its
list of equivalent mutants explains; an interrupted run; a run that finds a
file left mutated; two runs on one build). RealTree (only with --build-dir)
samples two mutants of markup/ in BUILD with the unit tests, as a short run
of the real thing: it passes when the sampler runs, reports and leaves every
file as it was.
"""
import argparse
import fcntl
import hashlib
import os
import signal
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

OPTIONS = None
mutate = None  # tools/mutate.py, imported in main()


def places(code):
    return [(m.line, m.op, m.old, m.new) for m in mutate.find_mutants("x.cpp", code)]


class Places(unittest.TestCase):

    def test_operators_and_what_is_skipped(self):
        code = ('#include <vector>\n'                          # 1
                '#define LIMIT (a < b)\n'                      # 2
                'int F(int a, int b) {  // a < b\n'            # 3
                '  std::vector<int> v;\n'                      # 4
                '  const char* s = "a<b"; char c = \'<\';\n'   # 5
                '  /* a > b */ p->q = x << y;\n'              # 6
                '  if (a <= b && !v.empty()) ++a;\n'          # 7
                '  Call(a);\n'                                 # 8
                '  return a == 0x10;\n'                        # 9
                '}\n')
        self.assertEqual([(7, "rel", "<=", "<"), (7, "logic", "&&", "||"), (7, "not", "!", ""),
                          (7, "incdec", "++", "--"), (9, "eq", "==", "!="),
                          (9, "const", "0x10", "0x11"), (6, "stmt", "p->q = x << y;", ""),
                          (8, "stmt", "Call(a);", "")],
                         places(code))

    def test_constants_booleans_and_breaks(self):
        code = ("void G() {\n"
                "  for (;;) { if (k > 1'000 || ok == true) break; n = 0; }\n"
                "  double d = 1.5; long m = 7u; int o = 017;\n"
                "}\n")
        self.assertEqual([(2, "rel", ">", ">="), (2, "const", "1'000", "1001"),
                          (2, "logic", "||", "&&"), (2, "eq", "==", "!="),
                          (2, "bool", "true", "false"), (2, "break", "break;", ""),
                          (2, "const", "0", "1"), (3, "const", "7u", "8u")],
                         places(code))

    def test_declarations_and_multi_line_statements_stay(self):
        code = ("struct S { int n; };\n"
                "int H(int a) {\n"
                "  int x = a;\n"
                "  Call(a,\n"
                "       x);\n"
                "  return x;\n"
                "}\n")
        self.assertEqual([], [p for p in places(code) if p[1] == "stmt"])


class Listing(unittest.TestCase):

    def listing(self, *args):
        return subprocess.run([sys.executable, str(TOOL), "--list", *args],
                              capture_output=True, text=True, check=True).stdout

    def test_a_seed_gives_the_same_mutants(self):
        first = self.listing("-n", "12", "--seed", "5")
        self.assertEqual(first, self.listing("-n", "12", "--seed", "5"))
        self.assertNotEqual(first, self.listing("-n", "12", "--seed", "6"))
        self.assertEqual(13, len(first.splitlines()))

    def test_folders_and_platforms(self):
        native = self.listing("-n", "1000", "--folder", "platform")
        win32 = self.listing("-n", "1000", "--folder", "platform", "--win32")
        files = lambda out: {l.split(":")[0] for l in out.splitlines()[1:]}
        self.assertTrue(files(native) and all(f.startswith("platform/") for f in files(native)))
        self.assertFalse(any("_win32." in f for f in files(native)))
        self.assertTrue(files(win32) and all(f.endswith("_win32.cpp") for f in files(win32)))
        self.assertNotIn("platform/cp932_table_posix.inc", files(native))  # generated


class Equivalents(unittest.TestCase):

    CODE = ("int F(int a, int b) {\n"
            "  if (a <\n"
            "      b) return 1;\n"
            "  Call(a);\n"
            "  Call(a);\n"
            "  return a == 2;\n"
            "}\n")

    def root_with(self, entries):
        root = Path(tempfile.mkdtemp(prefix="mutate-equivalents-"))
        self.addCleanup(subprocess.run, ["rm", "-rf", str(root)])
        (root / "strings").mkdir()
        (root / "strings/x.cpp").write_text(self.CODE)
        (root / mutate.EQUIVALENTS).parent.mkdir(parents=True)
        (root / mutate.EQUIVALENTS).write_text("# a list\n\n" + entries)
        return root

    def test_places_compare_white_space_as_one_blank(self):
        self.assertEqual([(27, 40)], mutate.places_of("(a < b)", self.CODE))  # over the line break
        self.assertEqual([(27, 40)], mutate.places_of("  (a <  b) ", self.CODE))
        self.assertEqual(2, len(mutate.places_of("Call(a);", self.CODE)))
        self.assertEqual([], mutate.places_of("a <= b", self.CODE))

    def test_entries_explain_their_mutants_only(self):
        root = self.root_with("file: strings/x.cpp\nat: if (a < b) return 1;\n"
                              "mutant: `<` -> `<=`\nwhy: a reason\n  on two lines\n")
        entries = mutate.read_equivalents(root / mutate.EQUIVALENTS)
        self.assertEqual([("strings/x.cpp", "if (a < b) return 1;", ("`<` -> `<=`",),
                           "a reason on two lines", 3)], [tuple(e) for e in entries])
        explained = [(m.op, m.old) for m in mutate.find_mutants("strings/x.cpp", self.CODE)
                     if mutate.explained(m, entries, self.CODE)]
        self.assertEqual([("rel", "<")], explained)  # not the 1 of the same place
        self.assertEqual([], mutate.check_equivalents(root, entries))

    def test_stale_entries_are_found(self):
        root = self.root_with(
            "file: strings/x.cpp\nat: return a == 3;\nmutant: `==` -> `!=`\nwhy: gone\n\n"
            "file: strings/x.cpp\nat: Call(a);\nmutant: deleted `Call(a);`\nwhy: twice\n\n"
            "file: strings/x.cpp\nat: return a == 2;\nmutant: `2` -> `4`\nwhy: none such\n\n"
            "file: strings/y.cpp\nat: x\nmutant: `<` -> `<=`\nwhy: no file\n")
        entries = mutate.read_equivalents(root / mutate.EQUIVALENTS)
        problems = mutate.check_equivalents(root, entries)
        self.assertEqual(4, len(problems), problems)
        self.assertIn("stands 0 times", problems[0])
        self.assertIn("stands 2 times", problems[1])
        self.assertIn("0 mutants `2` -> `4`", problems[2])
        self.assertIn("no such file", problems[3])
        run = subprocess.run([sys.executable, str(TOOL), "--root", str(root),
                              "--check-equivalents"], capture_output=True, text=True)
        self.assertEqual(1, run.returncode, run.stdout + run.stderr)

    def test_a_malformed_entry_stops_the_sampler(self):
        root = self.root_with("file: strings/x.cpp\nat: Call(a);\nwhy: no mutant line\n")
        run = subprocess.run([sys.executable, str(TOOL), "--root", str(root), "--list"],
                             capture_output=True, text=True)
        self.assertNotEqual(0, run.returncode)
        self.assertIn("equivalent-mutants.txt:3: the entry has no mutant", run.stderr)

    def test_every_entry_of_the_list_names_a_place_of_the_sources(self):
        run = subprocess.run([sys.executable, str(TOOL), "--check-equivalents"],
                             capture_output=True, text=True)
        self.assertEqual(0, run.returncode, run.stdout + run.stderr)


FIXTURE = {
    "CMakeLists.txt": """cmake_minimum_required(VERSION 3.16)
project(fixture CXX)
enable_testing()
add_library(core STATIC strings/big.cpp)
add_executable(strings_tests tests/main.cpp)
target_link_libraries(strings_tests core)
add_test(NAME strings_tests COMMAND strings_tests)
add_test(NAME whole COMMAND strings_tests)
add_test(NAME sources_formatted COMMAND grep -q "x > 100;" ${CMAKE_SOURCE_DIR}/strings/big.cpp)
""",
    "strings/big.cpp": """int Twice(int x) {
  return x * 2;
}
bool Big(int x) {
  return x > 100;
}
static_assert(sizeof(int) == sizeof(unsigned), "");
#ifdef _WIN32
bool Small(int x) { return x < 1; }
#endif
""",
    "tests/main.cpp": """#include <unistd.h>
bool Big(int x);
int Twice(int x);
int main() {
  if (Big(100)) sleep(60);
  return Twice(2) == 4 && Big(1000) && !Big(0) ? 0 : 1;
}
""",
}


class FixtureRun(unittest.TestCase):

    def setUp(self):
        self.root = Path(tempfile.mkdtemp(prefix="mutate-fixture-"))
        self.addCleanup(subprocess.run, ["rm", "-rf", str(self.root)])
        for name, text in FIXTURE.items():
            (self.root / name).parent.mkdir(parents=True, exist_ok=True)
            (self.root / name).write_text(text)
        self.source = (self.root / "strings/big.cpp").read_bytes()
        subprocess.run(["cmake", "-S", self.root, "-B", self.root / "build", "-G", "Ninja"],
                       check=True, capture_output=True)

    def sampler(self, *args):
        return [sys.executable, str(TOOL), "--root", str(self.root),
                "--build-dir", str(self.root / "build"), *args]

    def sample(self):
        """A sample of nine mutants: the sampler's run, and each mutant's kind
        and verdict as its results file gives them."""
        results = self.root / "results.tsv"
        run = subprocess.run(self.sampler("-n", "9", "--seed", "1", "--timeout", "3",
                                          "--results", str(results)),
                             capture_output=True, text=True)
        self.assertEqual(0, run.returncode, run.stdout + run.stderr)
        return run, [l.split("\t")[2:6:3] for l in results.read_text().splitlines()[1:]]

    def test_verdicts_and_restored_file(self):
        run, verdicts = self.sample()
        self.assertEqual([["const", "killed"], ["rel", "timeout"], ["const", "survived"],
                          ["eq", "not compiled"], ["rel", "not compiled"],  # a build error,
                          ["const", "not compiled"]], verdicts)             # no code at all
        self.assertRegex(run.stdout, r"\nstrings +6 +1 +1 +1 +3 +0 +67 %\n")
        self.assertEqual(self.source, (self.root / "strings/big.cpp").read_bytes())
        self.assertFalse((self.root / "build" / mutate.BACKUP).exists())

    def test_equivalent_mutants_are_neither_built_nor_run(self):
        (self.root / "tools").mkdir()
        (self.root / mutate.EQUIVALENTS).write_text(
            "file: strings/big.cpp\nat: return x > 100;\nmutant: `100` -> `101`\n"
            "why: Big(100) and Big(101) are both false\n")
        listing = subprocess.run(self.sampler("-n", "9", "--seed", "1", "--list"),
                                 capture_output=True, text=True, check=True).stdout
        self.assertIn("\tconst\t`100` -> `101`\tequivalent\n", listing)
        run, verdicts = self.sample()
        self.assertIn(["const", "equivalent"], verdicts)
        self.assertNotIn(["const", "survived"], verdicts)
        self.assertIn(": equivalent (tools/equivalent-mutants.txt:1)", run.stdout)
        self.assertRegex(run.stdout, r"\nstrings +6 +1 +1 +0 +3 +1 +100 %\n")
        self.assertEqual(self.source, (self.root / "strings/big.cpp").read_bytes())

    def test_interrupted_run_restores_the_file(self):
        run = subprocess.Popen(self.sampler("-n", "9", "--seed", "1"), stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT, text=True)
        deadline = time.monotonic() + 60
        while b"x >= 100" not in (self.root / "strings/big.cpp").read_bytes():
            self.assertLess(time.monotonic(), deadline, "the hanging mutant never came")
            time.sleep(0.1)
        time.sleep(1)  # its tests are running
        run.send_signal(signal.SIGTERM)
        out, _ = run.communicate(timeout=60)
        self.assertEqual(130, run.returncode, out)
        self.assertEqual(self.source, (self.root / "strings/big.cpp").read_bytes())

    def test_a_file_left_mutated_is_restored_first(self):
        backup = self.root / "build" / mutate.BACKUP / "strings/big.cpp"
        backup.parent.mkdir(parents=True)
        backup.write_bytes(self.source)
        (self.root / "strings/big.cpp").write_bytes(self.source.replace(b">", b"<"))
        run = subprocess.run(self.sampler("-n", "0"), capture_output=True, text=True)
        self.assertEqual(0, run.returncode, run.stdout + run.stderr)
        self.assertIn("restored strings/big.cpp", run.stdout)
        self.assertEqual(self.source, (self.root / "strings/big.cpp").read_bytes())

    def test_refuses_uncommitted_product_changes(self):
        git = ["git", "-C", str(self.root), "-c", "user.name=t", "-c", "user.email=t@t"]
        subprocess.run(git + ["init", "-q"], check=True)
        subprocess.run(git + ["add", "strings", "tests", "CMakeLists.txt"], check=True)
        subprocess.run(git + ["commit", "-qm", "fixture"], check=True)
        (self.root / "strings/big.cpp").write_bytes(self.source + b"// edited\n")
        run = subprocess.run(self.sampler("-n", "1"), capture_output=True, text=True)
        self.assertEqual(3, run.returncode, run.stdout + run.stderr)

    def test_one_run_per_build(self):
        (self.root / "build").mkdir(exist_ok=True)
        with open(self.root / "build" / "mutate.lock", "w") as lock:
            fcntl.flock(lock, fcntl.LOCK_EX)
            run = subprocess.run(self.sampler("-n", "1"), capture_output=True, text=True)
        self.assertEqual(3, run.returncode, run.stdout + run.stderr)
        self.assertEqual(self.source, (self.root / "strings/big.cpp").read_bytes())


class RealTree(unittest.TestCase):

    def test_two_mutants_of_markup(self):
        if not OPTIONS.build_dir:
            self.skipTest("needs --build-dir")
        root = Path(OPTIONS.source_dir)
        digest = lambda: {p: hashlib.sha256(p.read_bytes()).hexdigest()
                          for p in sorted((root / "markup").iterdir())}
        before = digest()
        run = subprocess.run([sys.executable, str(TOOL), "-n", "2", "--seed", "1", "--folder",
                              "markup", "--unit-only", "--build-dir", OPTIONS.build_dir],
                             capture_output=True, text=True)
        if run.returncode == 3:
            self.skipTest(run.stderr.strip())  # uncommitted changes, or another run
        self.assertEqual(0, run.returncode, run.stdout + run.stderr)
        self.assertIn("[2/2] markup/markup.cpp:", run.stdout)
        self.assertRegex(run.stdout, r"\nmarkup +2 ")
        self.assertEqual(before, digest())


TOOL = None


def main():
    global OPTIONS, TOOL, mutate
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--source-dir", required=True)
    parser.add_argument("--build-dir")
    OPTIONS, rest = parser.parse_known_args()
    OPTIONS.source_dir = os.path.abspath(OPTIONS.source_dir)
    if OPTIONS.build_dir:
        OPTIONS.build_dir = os.path.abspath(OPTIONS.build_dir)
    TOOL = Path(OPTIONS.source_dir) / "tools" / "mutate.py"
    sys.path.insert(0, str(TOOL.parent))
    import mutate as module
    mutate = module
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
