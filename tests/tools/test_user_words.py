#!/usr/bin/env python3
"""Every text a user reads calls one thing by one word: the plug-in's
messages, report and log lines (the system texts), the install guide
(readme.txt), the sample kanadeya.ini and README.md's account of what the
user sees. The import file is 取り込みファイル, and a folder is フォルダー (with
データフォルダー), as Japanese Windows writes it.

    test_user_words.py --source-dir SOURCE [unittest arguments]
"""
import argparse
import glob
import importlib.util
import os
import re
import sys
import unittest

SOURCE = None

# Each form that must not come back, and the word that stands for it.
# フォルダー holds フォルダ, so a folder's short form is フォルダ not followed by ー.
WRONG_FORMS = [
    ("出力ファイル", "取り込みファイル"),
    ("取り込み用ファイル", "取り込みファイル"),
    ("取り込み用のファイル", "取り込みファイル"),
    ("ハコブネに取り込むファイル", "取り込みファイル"),
    ("フォルダ(?!ー)", "フォルダー"),
]

# The texts of one system-text list, as their readable UTF-8 forms (a test
# of the C++ sources checks those against the bytes).
TEXT_LINE = re.compile(r'^KANADEYA_(?:TEXT|FAULT)\(\w+, .*, "((?:[^"\\]|\\.)*)"\)\s*$')
STRING_LITERAL = re.compile(r'"((?:[^"\\\n]|\\.)*)"')


def read(*parts):
    with open(os.path.join(SOURCE, *parts), encoding="utf-8") as f:
        return f.read()


def system_texts(pattern):
    texts = []
    for path in sorted(glob.glob(os.path.join(SOURCE, pattern))):
        with open(path, encoding="utf-8") as f:
            texts += [m.group(1) for m in map(TEXT_LINE.match, f) if m]
    return "\n".join(texts)


def string_literals(name):
    return "\n".join(STRING_LITERAL.findall(read(name)))


def release_text(name):
    """The release's file as the user gets it: rendered, code page 932."""
    path = os.path.join(SOURCE, "tools", "encode-text.py")
    found = importlib.util.spec_from_file_location("encode_text", path)
    tool = importlib.util.module_from_spec(found)
    found.loader.exec_module(tool)
    site = "http://catalog.example"
    text = tool.render(read("release", name), {"PROJECT_VERSION": "1.1.3", "SITE_BASE_URL": site,
                                               "DEFAULT_SITE_BASE_URL": site})
    return text.encode("cp932").decode("cp932")


def readme_user_sections():
    """README.md from running a lookup to building by hand: what a run
    shows the user, its messages quoted."""
    text = read("README.md")
    start, end = text.index("\n## Running a lookup"), text.index("\n## Building by hand")
    return text[start:end]


# Each source, and whether it holds Japanese text itself (the report and the
# log build theirs from the system texts, so no literal of theirs may bring
# another form back).
SOURCES = [
    ("system texts", lambda: system_texts("*/system_texts.inc"), True),
    ("settings' fault texts", lambda: system_texts("plugin/*_faults.inc"), True),
    ("lookup log", lambda: string_literals("plugin/lookup_log.cpp"), False),
    ("report", lambda: string_literals("plugin/run_report.cpp"), False),
    ("strings' texts", lambda: "\n".join(string_literals(os.path.join("strings", name))
                                         for name in os.listdir(os.path.join(SOURCE, "strings"))),
     False),
    ("readme.txt", lambda: release_text("readme.utf8.txt"), True),
    ("kanadeya.ini.sample", lambda: release_text("kanadeya.ini.sample.utf8.txt"), True),
    ("README.md", readme_user_sections, True),
]


class OneWordPerThing(unittest.TestCase):

    def test_the_wrong_forms_are_caught_and_the_right_ones_pass(self):
        for wrong, right in WRONG_FORMS:
            example = wrong.replace("(?!ー)", "")
            with self.subTest(wrong=example):
                self.assertRegex("「%s」を" % example, wrong)
                self.assertNotRegex("「%s」を" % right, wrong)

    def test_no_text_a_user_reads_uses_another_form(self):
        for name, load, holds_japanese in SOURCES:
            text = load()
            if holds_japanese:
                # A source that moved must not pass by holding nothing.
                self.assertRegex(text, "[\u3040-\u30ff]", name)
            for wrong, right in WRONG_FORMS:
                with self.subTest(source=name, wrong=wrong):
                    found = [text[max(0, m.start() - 20):m.end() + 20]
                             for m in re.finditer(wrong, text)]
                    self.assertEqual([], found, "write %s" % right)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--source-dir", required=True)
    options, rest = parser.parse_known_args()
    SOURCE = os.path.abspath(options.source_dir)
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
