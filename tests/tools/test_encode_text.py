#!/usr/bin/env python3
"""Tests of the writer of the release's texts, tools/encode-text.py: the
install guide and the sample kanadeya.ini follow the site address that the
DLL is built with.

    test_encode_text.py --source-dir SOURCE [unittest arguments]
"""
import argparse
import importlib.util
import os
import sys
import unittest

SOURCE = None
DEFAULT = "http://catalog.example"


def load_tool():
    path = os.path.join(SOURCE, "tools", "encode-text.py")
    found = importlib.util.spec_from_file_location("encode_text", path)
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module


def render(name, site):
    with open(os.path.join(SOURCE, "release", name), encoding="utf-8") as f:
        text = f.read()
    return load_tool().render(text, {"PROJECT_VERSION": "1.1.3", "SITE_BASE_URL": site,
                                     "DEFAULT_SITE_BASE_URL": DEFAULT})


class SiteAddress(unittest.TestCase):

    def test_texts_follow_the_address_built_in(self):
        # The default address is a placeholder, and the texts ask for one;
        # any other is named as the site searched, and nothing is asked.
        cases = [(DEFAULT, True), ("https://gakufu.example.jp", False),
                 ("http://[::1]:8000/mirror", False)]
        for name in ("readme.utf8.txt", "kanadeya.ini.sample.utf8.txt"):
            for site, placeholder in cases:
                with self.subTest(name=name, site=site):
                    text = render(name, site)
                    self.assertIn(site, text)
                    self.assertEqual(placeholder, "どこにもつながりません" in text)
                    self.assertEqual(placeholder, "必ず書いて" in text or "最初にすること" in text)
                    self.assertNotIn("@@", text)
                    self.assertNotIn("@SITE_BASE_URL@", text)
                    text.encode("cp932")

    def test_blocks_that_do_not_close_are_refused(self):
        tool = load_tool()
        for text in ("@@IF PLACEHOLDER_SITE@@\na", "@@END@@", "@@IF OTHER@@\n@@END@@"):
            with self.subTest(text=text), self.assertRaises(ValueError):
                tool.render(text, {})


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--source-dir", required=True)
    options, rest = parser.parse_known_args()
    SOURCE = os.path.abspath(options.source_dir)
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
