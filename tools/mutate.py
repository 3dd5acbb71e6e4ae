#!/usr/bin/env python3
"""Samples mutants of the product's sources and says which ones the tests miss.

Picks N random places in the layer folders (only files the build at hand
compiles), changes one at a time (a comparison, a logical operator, a
boolean, a small integer, ++/--, a "!", a statement line, a break or
continue), rebuilds incrementally and runs the tests: the unit-test programs
first (the mutated folder's own first), the other tests only when those
pass. Each file is restored byte for byte before the next mutant, also when
the run is interrupted; the build is brought back to the sources at the end.

    tools/mutate.py [-n N] [--seed S] [--folder F]... [--build-dir DIR]
                    [--list] [--win32] [--unit-only] [--timeout SECONDS]
                    [--jobs J] [--results FILE.tsv]

Verdicts: killed (a test failed), timeout (a test hung and was killed),
survived, not compiled (a build error, or no object file changed: code that
this build leaves out, such as another platform's branch), equivalent (a
mutant that tools/equivalent-mutants.txt explains: known to change nothing,
neither built nor run). Score = (killed + timeout) / (killed + timeout +
survived). Exit status 0 when the run worked, whatever the score; 2 when the
build or the tests fail before any mutant; 3 when the product sources have
uncommitted changes or another run samples in the same build.

    tools/mutate.py --check-equivalents

checks that every entry of tools/equivalent-mutants.txt still names one
place of the sources and a mutant there (exit status 1 when one does not).
"""
import argparse
import fcntl
import hashlib
import json
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from collections import namedtuple
from pathlib import Path

from layers import LAYERS  # the layer folders, bottom first (tools/layers.py)

SOURCES = ("*.cpp", "*.h", "*.inc")
BACKUP = "mutate-backup"  # under the build folder: originals of files being mutated
EQUIVALENTS = "tools/equivalent-mutants.txt"  # under the source folder
# Tests left out: this tool's own, which would sample within the sample, and those that read
# the sources' text rather than run them (a deleted statement leaves an indented blank line).
NOT_RUN = re.compile(r"mutation_sampler|sources_formatted$|layers_include_downwards$")

Mutant = namedtuple("Mutant", "file line start end old new op")

# --- Finding the places --------------------------------------------------------

LITERAL = re.compile(r'(?:u8|[uUL])?R"([^(\s]*)\(|(?:u8|[uUL])?"|\'|//|/\*')


def mask(text):
    """The text with comments, string and char literals and preprocessor lines
    blanked out (newlines kept), so that offsets stay those of the text."""
    out = list(text)

    def blank(a, b):
        for k in range(a, b):
            if out[k] != "\n":
                out[k] = " "

    i, n = 0, len(text)
    line_start = True
    while i < n:
        c = text[i]
        if c == "\n":
            line_start = True
            i += 1
            continue
        if line_start and c == "#":  # a preprocessor line, with its continuations
            j = i
            while True:
                j = text.find("\n", j)
                if j < 0:
                    j = n
                    break
                if text[j - 1] != "\\":
                    break
                j += 1
            blank(i, j)
            i = j
            continue
        if not c.isspace():
            line_start = False
        if c.isdigit() and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == "_")):
            m = re.compile(r"[0-9A-Za-z_.']+").match(text, i)  # 1'000: not a char literal
            i = m.end()
            continue
        m = LITERAL.match(text, i)
        if not m or (i and (text[i - 1].isalnum() or text[i - 1] == "_") and m.group(0)[0] in "'\""):
            i += 1
            continue
        tok = m.group(0)
        if tok == "//":
            j = text.find("\n", i)
            j = n if j < 0 else j
        elif tok == "/*":
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
        elif tok.endswith("("):  # raw string
            j = text.find(")" + m.group(1) + '"', m.end())
            j = n if j < 0 else j + len(m.group(1)) + 2
        else:
            quote = tok[-1]
            j = m.end()
            while j < n and text[j] != quote and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            j = min(j + 1, n)
        blank(i, j)
        i = j
    return "".join(out)


TEMPLATE_BODY = re.compile(r"[\w\s:,*&()\[\]<>.]*")


def template_brackets(code):
    """Offsets of the "<" and ">" that bracket template arguments."""
    found = set()
    for m in re.finditer(r"(\w+)\s*<(?![<=])", code):
        if m.group(1) == "operator" or code[m.end() - 2:m.end()] == "<<":
            continue
        lt = m.end() - 1
        depth, j = 0, lt
        while j < len(code) and code[j] != "\n":
            ch = code[j]
            if ch == "<":
                depth += 1
            elif ch == ">":
                depth -= 1
                if depth == 0:
                    break
            elif not TEMPLATE_BODY.fullmatch(ch) or code.startswith("&&", j):
                j = len(code)
                break
            j += 1
        if j < len(code) and code[j] == ">":
            found.update((lt, j))
    return found


OPERATORS = re.compile(r"<<=|>>=|<=>|<<|>>|->|<=|>=|==|!=|&&|\|\||\+\+|--|<|>|!|\btrue\b|\bfalse\b"
                       r"|\b(?:break|continue)\s*;|(?<!\.)\b(?:0[xX][0-9A-Fa-f']+|[0-9][0-9']*)[uUlLzZ]*\b(?![.])")
SWAP = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "==", "&&": "||",
        "||": "&&", "++": "--", "--": "++", "true": "false", "false": "true", "!": ""}
KIND = {"<": "rel", "<=": "rel", ">": "rel", ">=": "rel", "==": "eq", "!=": "eq", "&&": "logic",
        "||": "logic", "++": "incdec", "--": "incdec", "true": "bool", "false": "bool", "!": "not"}
NOT_STATEMENT = re.compile(r"(return|break|continue|case|default|using|typedef|namespace|template|"
                           r"static_assert|goto|else|for|if|while|do|switch|public|private)\b|[}#]")
DECLARATION = re.compile(r"(?:(?:const|constexpr|static|inline|unsigned|signed|struct|auto)\s+)*"
                         r"[A-Za-z_][\w:]*(?:<[^;]*>)?[\s*&]+[A-Za-z_]\w*\s*(?:[=({\[;]|$)")
FUNCTION_HEAD = re.compile(r"(\)|\b(?:else|do|try))[\s\w:]*(?:->[\s\w:<>*&]+)?$")


def code_lines(code):
    """For each line number, whether the line lies inside a function body."""
    inside, stack, segment, line = {}, [], [], 1
    for ch in code:
        if ch == "\n":
            inside[line] = bool(stack and stack[-1])
            line += 1
        if ch == "{":
            head = "".join(segment).strip()
            stack.append(bool((stack and stack[-1]) or FUNCTION_HEAD.search(head)))
        elif ch == "}" and stack:
            stack.pop()
        if ch in "{};":
            segment = []
        else:
            segment.append(ch)
    inside[line] = bool(stack and stack[-1])
    return inside


def integer_change(token):
    body = token.rstrip("uUlLzZ")
    suffix = token[len(body):]
    digits = body.replace("'", "")
    if digits.lower().startswith("0x"):
        value = int(digits, 16)
        width, upper = len(digits) - 2, not any(c in "abcdef" for c in digits)
        new = f"{digits[:2]}{value + 1:0{width}{'X' if upper else 'x'}}" if value > 1 else str(1 - value)
    elif len(digits) > 1 and digits.startswith("0"):
        return None  # octal
    else:
        value = int(digits)
        new = str(value + 1 if value > 1 else 1 - value)
    return None if value > 0xFFFF else new + suffix


def find_mutants(rel, text):
    code = mask(text)
    brackets = template_brackets(code)
    starts = [0] + [m.end() for m in re.finditer("\n", code)]
    line_of = lambda at: next_line(starts, at)
    mutants = []
    for m in OPERATORS.finditer(code):
        tok, at = m.group(0), m.start()
        if tok in ("<<=", ">>=", "<=>", "<<", ">>", "->") or at in brackets:
            continue
        before = code[max(0, at - 12):at]
        if tok in ("&&", "||") and not (code[at - 1:at].isspace() and code[m.end():m.end() + 1].isspace()):
            continue  # T&&, not a logical and
        if tok in ("++", "--", "<", ">", "<=", ">=", "==", "!=", "!") and before.rstrip().endswith("operator"):
            continue
        if tok[0].isdigit():
            new, op = integer_change(tok), "const"
        elif tok.startswith(("break", "continue")):
            new, op = "", "break"
        else:
            new, op = SWAP[tok], KIND[tok]
        if new is None or new == tok:
            continue
        mutants.append(Mutant(rel, line_of(at), at, m.end(), text[at:m.end()], new, op))
    inside = code_lines(code)
    lines = code.split("\n")
    previous = ""
    for number, masked in enumerate(lines, 1):
        stripped = masked.strip()
        if not stripped:
            continue
        if (inside.get(number) and stripped.endswith(";") and stripped != ";"
                and previous[-1:] in (";", "{", "}", ":") and not NOT_STATEMENT.match(stripped)
                and stripped.count("(") == stripped.count(")") and not set("{}") & set(stripped)
                and not DECLARATION.match(stripped)):
            begin = starts[number - 1] + len(masked) - len(masked.lstrip())
            end = starts[number - 1] + masked.rstrip().rfind(";") + 1
            mutants.append(Mutant(rel, number, begin, end, text[begin:end], "", "stmt"))
        previous = stripped
    return mutants


def next_line(starts, at):
    lo, hi = 0, len(starts)
    while lo + 1 < hi:
        mid = (lo + hi) // 2
        lo, hi = (mid, hi) if starts[mid] <= at else (lo, mid)
    return lo + 1


def compiled_files(root, folders, win32):
    for folder in folders:
        for pattern in SOURCES:
            for path in sorted((root / folder).rglob(pattern)):
                is_win32 = "_win32." in path.name
                if is_win32 != win32 or (win32 and path.suffix != ".cpp"):
                    continue
                text = path.read_bytes().decode("utf-8", "surrogateescape")
                if re.match(r"//.*[Gg]enerated .*do not edit", text):
                    continue  # a generated table: mutate its generator instead
                yield path.relative_to(root).as_posix(), text


def describe(m):
    if m.op == "stmt":
        return f"deleted `{m.old}`"
    return f"`{m.old}` -> `{m.new}`" if m.new else f"removed `{m.old}`"


# --- Known equivalent mutants --------------------------------------------------

Equivalent = namedtuple("Equivalent", "file at mutants why line")


def read_equivalents(path):
    """The entries of an equivalent-mutant list (see its head); none when there
    is no such file. A malformed entry stops the sampler."""
    if not path.is_file():
        return []
    entries, entry, key = [], {}, None

    def close(number):
        if not entry:
            return
        missing = [k for k in ("file", "at", "mutant", "why") if not entry.get(k)]
        if missing:
            sys.exit(f"mutate: {path}:{entry['line']}: the entry has no {', '.join(missing)}")
        entries.append(Equivalent(entry["file"][0], entry["at"][0], tuple(entry["mutant"]),
                                  entry["why"][0], entry["line"]))
        entry.clear()

    lines = path.read_text(encoding="utf-8").splitlines()
    for number, raw in enumerate(lines + [""], 1):
        if raw.startswith("#"):
            continue
        if not raw.strip():
            close(number)
            key = None
            continue
        if raw[0].isspace() and key:  # a continuation of the value above
            entry[key][-1] += " " + raw.strip()
            continue
        key, sep, value = raw.partition(":")
        key = key.strip()
        repeated = key != "mutant" and key in entry
        if not sep or key not in ("file", "at", "mutant", "why") or repeated:
            sys.exit(f"mutate: {path}:{number}: expected one each of file:, at:, why: and "
                     f"one or more mutant: lines")
        entry.setdefault("line", number)
        entry.setdefault(key, []).append(value.strip())
    return entries


def squeeze(text):
    """The text with each run of white space as one blank, and for each of its
    characters the offset in `text` that it stands for."""
    out, offsets = [], []
    for i, c in enumerate(text):
        if c.isspace():
            if out and out[-1] == " ":
                continue
            c = " "
        out.append(c)
        offsets.append(i)
    return "".join(out), offsets


def places_of(at, text):
    """(start, end) in `text` of each occurrence of the place text `at`, white
    space compared as one blank."""
    squeezed, offsets = squeeze(text)
    needle = squeeze(at.strip())[0]
    found, i = [], squeezed.find(needle)
    while needle and i >= 0:
        found.append((offsets[i], offsets[i + len(needle) - 1] + 1))
        i = squeezed.find(needle, i + 1)
    return found


def same_mutant(m, described):
    return " ".join(describe(m).split()) == " ".join(described.split())


def explained(m, entries, text):
    """The entry that explains mutant `m` of a file whose text is `text`, or None."""
    for e in entries:
        if e.file == m.file and any(same_mutant(m, d) for d in e.mutants) and any(
                start <= m.start and m.end <= end for start, end in places_of(e.at, text)):
            return e
    return None


def check_equivalents(root, entries):
    """What is wrong with the entries against the sources at `root`: each must
    name a file, one place in it and, for each of its mutant lines, the one
    mutant of that kind that the sampler makes there."""
    problems = []
    for e in entries:
        where = f"{EQUIVALENTS}:{e.line}: {e.file}"
        path = root / e.file
        if not path.is_file():
            problems.append(f"{where}: no such file")
            continue
        text = path.read_bytes().decode("utf-8", "surrogateescape")
        found = places_of(e.at, text)
        if len(found) != 1:
            problems.append(f"{where}: `{e.at}` stands {len(found)} times in the file, not once")
            continue
        start, end = found[0]
        made = [m for m in find_mutants(e.file, text) if start <= m.start and m.end <= end]
        for d in e.mutants:
            count = sum(1 for m in made if same_mutant(m, d))
            if count != 1:
                problems.append(f"{where}: {count} mutants {d} at `{e.at}`, not one (there: "
                                f"{'; '.join(describe(m) for m in made) or 'none'})")
    return problems


# --- Running them --------------------------------------------------------------

class Interrupted(Exception):
    pass


def run(command, timeout=None, cwd=None, env=None):
    """(return code or None on timeout, output); the whole process group goes
    when the time is up or the sampler is interrupted."""
    proc = subprocess.Popen(command, cwd=cwd, env=env, stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, start_new_session=True)
    try:
        out, _ = proc.communicate(timeout=timeout)
        return proc.returncode, out.decode(errors="replace")
    except subprocess.TimeoutExpired:
        return None, ""
    finally:
        if proc.poll() is None:  # asked to end first, so that it can clean up
            os.killpg(proc.pid, signal.SIGTERM)
            try:
                proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                os.killpg(proc.pid, signal.SIGKILL)
                proc.wait()


def list_tests(build):
    """The build's tests as ctest knows them, read from a copy of its test files
    (ctest writes its log in the folder it is run in)."""
    with tempfile.TemporaryDirectory() as copy:
        for f in build.rglob("CTestTestfile.cmake"):
            target = Path(copy) / f.relative_to(build)
            target.parent.mkdir(parents=True, exist_ok=True)
            shutil.copy(f, target)
        out = subprocess.run(["ctest", "--show-only=json-v1"], cwd=copy, check=True,
                             capture_output=True, text=True).stdout.replace(copy, str(build))
    tests = []
    for t in json.loads(out)["tests"]:
        if NOT_RUN.match(t["name"]):
            continue
        props = {p["name"]: p["value"] for p in t.get("properties", [])}
        env = dict(os.environ)
        env.update(v.split("=", 1) for v in props.get("ENVIRONMENT", []))
        tests.append(dict(name=t["name"], command=t["command"], env=env,
                          cwd=props.get("WORKING_DIRECTORY", str(build)), limit=None))
    return tests


class Sampler:
    def __init__(self, root, build, jobs, unit_only, timeout):
        self.root, self.build, self.jobs, self.timeout = root, build, jobs, timeout
        self.backup = build / BACKUP
        self.unit_only, self.units, self.others = unit_only, [], []

    def recover(self):
        """Puts back any file that an interrupted run left mutated."""
        if not self.backup.is_dir():
            return
        for saved in sorted(p for p in self.backup.rglob("*") if p.is_file()):
            source = self.root / saved.relative_to(self.backup)
            if not source.exists() or source.read_bytes() != saved.read_bytes():
                source.write_bytes(saved.read_bytes())
                print(f"mutate: restored {source.relative_to(self.root)} from an earlier run")
        shutil.rmtree(self.backup)

    def objects(self, since=0.0):
        """The build's object files changed since `since`, with their hashes."""
        return {p: hashlib.sha1(p.read_bytes()).hexdigest() for pattern in ("*.o", "*.obj")
                for p in self.build.rglob(pattern) if p.stat().st_mtime >= since}

    def make(self):
        return run(["cmake", "--build", str(self.build), "-j", str(self.jobs)])[0] == 0

    def test(self, folder=None):
        """('passed' | 'failed' | 'timeout', name of the test that decided)."""
        ordered = sorted(self.units, key=lambda t: t["name"] != f"{folder}_tests") + self.others
        for t in ordered:
            code, _ = run(t["command"], t["limit"], t["cwd"], t["env"])
            if code is None:
                return "timeout", t["name"]
            if code != 0:
                return "failed", t["name"]
        return "passed", ""

    def baseline(self):
        if not self.make():
            sys.exit("mutate: the unmutated sources do not build")
        self.unmutated = self.objects()
        tests = list_tests(self.build)  # a test's command is known once it is built
        self.units = [t for t in tests if re.search(r"_tests$", t["name"])]
        self.others = [] if self.unit_only else [t for t in tests if t not in self.units]
        for t in self.units + self.others:
            start = time.monotonic()
            code, out = run(t["command"], None, t["cwd"], t["env"])
            if code != 0:
                sys.exit(f"mutate: {t['name']} fails without any mutant:\n{out[-2000:]}")
            t["limit"] = self.timeout or 3 * (time.monotonic() - start) + 10

    def try_mutant(self, m):
        path = self.root / m.file
        original = path.read_bytes()
        saved = self.backup / m.file
        saved.parent.mkdir(parents=True, exist_ok=True)
        saved.write_bytes(original)
        text = original.decode("utf-8", errors="surrogateescape")
        try:
            start = time.time()
            path.write_bytes((text[:m.start] + m.new + text[m.end:]).encode("utf-8", "surrogateescape"))
            if not self.make():
                return "not compiled", ""
            rebuilt = self.objects(start)
            if all(self.unmutated.get(p) == h for p, h in rebuilt.items()):
                return "not compiled", "(no object file changed)"
            outcome, test = self.test(m.file.split("/")[0])
            return {"passed": "survived", "failed": "killed", "timeout": "timeout"}[outcome], test
        finally:
            path.write_bytes(original)
            saved.unlink()


def product_changes(root, folders):
    try:
        out = subprocess.run(["git", "-C", str(root), "status", "--porcelain", "--", *folders],
                             capture_output=True, text=True, check=True).stdout
    except (subprocess.CalledProcessError, FileNotFoundError):
        return ""  # not a git work tree: the backup alone guards the sources
    return out.strip()


def report(results):
    print("\nscore (killed + timeout) / (killed + timeout + survived); not compiled and "
          "equivalent left out")
    rows = [("all", results)] + [(f, [r for r in results if r[0].file.startswith(f + "/")])
                                 for f in LAYERS]
    print(f"{'folder':10} {'mutants':>7} {'killed':>6} {'timeout':>7} {'survived':>8} "
          f"{'not compiled':>12} {'equivalent':>10} {'score':>6}")
    for name, rs in rows:
        if not rs:
            continue
        count = {v: sum(1 for r in rs if r[1] == v)
                 for v in ("killed", "timeout", "survived", "not compiled", "equivalent")}
        scored = count["killed"] + count["timeout"] + count["survived"]
        score = f"{100 * (count['killed'] + count['timeout']) / scored:.0f} %" if scored else "-"
        print(f"{name:10} {len(rs):7} {count['killed']:6} {count['timeout']:7} "
              f"{count['survived']:8} {count['not compiled']:12} {count['equivalent']:10} "
              f"{score:>6}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("-n", type=int, default=10, help="how many mutants (default 10)")
    parser.add_argument("--seed", type=int, default=None, help="makes the sample repeatable")
    parser.add_argument("--folder", action="append", choices=LAYERS, help="only these folders")
    parser.add_argument("--build-dir", type=Path, help="default build/native (build/win32)")
    parser.add_argument("--list", action="store_true", help="print the mutants, build nothing")
    parser.add_argument("--win32", action="store_true", help="mutate the *_win32.cpp files")
    parser.add_argument("--unit-only", action="store_true", help="run only the unit tests")
    parser.add_argument("--timeout", type=float, help="seconds per test (default 3 x unmutated + 10)")
    parser.add_argument("--jobs", "-j", type=int, default=1, help="build jobs (default 1)")
    parser.add_argument("--results", type=Path, help="write the verdicts as TSV here")
    parser.add_argument("--check-equivalents", action="store_true",
                        help=f"check that each entry of {EQUIVALENTS} names a place and its mutant")
    parser.add_argument("--root", type=Path, default=Path(__file__).resolve().parent.parent)
    args = parser.parse_args()
    root = args.root.resolve()
    build = (args.build_dir or root / "build" / ("win32" if args.win32 else "native")).resolve()
    folders = args.folder or LAYERS
    seed = args.seed if args.seed is not None else random.randrange(1 << 30)
    equivalents = read_equivalents(root / EQUIVALENTS)
    if args.check_equivalents:
        problems = check_equivalents(root, equivalents)
        for problem in problems:
            print(problem, file=sys.stderr)
        if not problems:
            print(f"mutate: each of the {len(equivalents)} entries of {EQUIVALENTS} names one "
                  f"place and its mutants")
        return 1 if problems else 0

    candidates = [m for rel, text in compiled_files(root, folders, args.win32)
                  for m in find_mutants(rel, text)]
    chosen = random.Random(seed).sample(candidates, min(args.n, len(candidates)))
    chosen.sort(key=lambda m: (m.file, m.start, m.op))
    texts = {}
    known = {}  # the chosen mutants that the list explains, with its entry
    for m in chosen:
        if m.file not in texts:
            texts[m.file] = (root / m.file).read_bytes().decode("utf-8", "surrogateescape")
        entry = explained(m, equivalents, texts[m.file])
        if entry:
            known[m] = entry
    print(f"mutate: {len(chosen)} of {len(candidates)} mutants in {', '.join(folders)}, seed {seed}")
    if args.list:
        for m in chosen:
            mark = "\tequivalent" if m in known else ""
            print(f"{m.file}:{m.line}\t{m.op}\t{describe(m)}{mark}")
        return 0

    def stop(signum, frame):
        raise Interrupted(signal.Signals(signum).name)
    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGHUP, stop)
    sampler = Sampler(root, build, args.jobs, args.unit_only, args.timeout)
    build.mkdir(parents=True, exist_ok=True)
    lock = open(build / "mutate.lock", "w")
    try:
        fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
    except OSError:
        print(f"mutate: another run is sampling in {build}", file=sys.stderr)
        return 3
    sampler.recover()
    changed = product_changes(root, folders)
    if changed:
        print(f"mutate: the product sources have uncommitted changes; commit or stash them:\n{changed}",
              file=sys.stderr)
        return 3
    results = []
    try:
        sampler.baseline()
        for k, m in enumerate(chosen, 1):
            if m in known:  # neither built nor run: the list says why
                results.append((m, "equivalent", "", 0.0))
                print(f"[{k}/{len(chosen)}] {m.file}:{m.line} {m.op} {describe(m)}: equivalent "
                      f"({EQUIVALENTS}:{known[m].line})", flush=True)
                continue
            start = time.monotonic()
            verdict, test = sampler.try_mutant(m)
            took = time.monotonic() - start
            results.append((m, verdict, test, took))
            by = f" {dict(killed='by', timeout='in').get(verdict, '')} {test}" if test else ""
            print(f"[{k}/{len(chosen)}] {m.file}:{m.line} {m.op} {describe(m)}: {verdict}{by} "
                  f"({took:.0f} s)", flush=True)
    except (KeyboardInterrupt, Interrupted) as e:
        print(f"mutate: interrupted ({e or 'SIGINT'}) after {len(results)} mutants", file=sys.stderr)
        return 130
    finally:
        signal.signal(signal.SIGINT, signal.SIG_IGN)
        signal.signal(signal.SIGTERM, signal.SIG_IGN)
        sampler.recover()
        if not sampler.make():
            print("mutate: the restored sources do not build", file=sys.stderr)
        report(results)
        if args.results:
            with open(args.results, "w", encoding="utf-8") as f:
                f.write("file\tline\toperator\toriginal\tmutant\tverdict\ttest\tseconds\n")
                for m, verdict, test, took in results:
                    old, new = (" ".join(s.split()) for s in (m.old, m.new))
                    f.write(f"{m.file}\t{m.line}\t{m.op}\t{old}\t{new}\t{verdict}\t{test}\t{took:.1f}\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
