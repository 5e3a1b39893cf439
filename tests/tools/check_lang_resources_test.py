#!/usr/bin/env python3
"""Tests of tools/check_lang_resources.py: the English library built from its script passes
against the plug-in's resources, and an altered copy of the English script fails with the
fault it carries named. Needs the MinGW resource compiler and C compiler; skipped without them.

    python3 -m unittest discover -s tests/tools -p '*_test.py'
"""

import contextlib
import io
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

TOP = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(TOP, "tools"))
import check_lang_resources  # noqa: E402

WINDRES = shutil.which("i686-w64-mingw32-windres")
CC = shutil.which("i686-w64-mingw32-gcc")
RESOURCES = os.path.join(TOP, "resources")
JAPANESE = os.path.join(RESOURCES, "Mirvane.rc")
ENGLISH = os.path.join(RESOURCES, "lang", "1033", "Resource.rc")


def run_main(args):
    out = io.StringIO()
    with contextlib.redirect_stdout(out), contextlib.redirect_stderr(out):
        status = check_lang_resources.main(args)
    return status, out.getvalue()


class TextRulesTest(unittest.TestCase):
    def test_directives_must_match_one_for_one_in_order(self):
        self.assertEqual([], check_lang_resources.compare_texts("t", "%d 通のうち %d 通", "Of %d, %d"))
        self.assertTrue(check_lang_resources.compare_texts("t", "%d を %s", "%s with %d"))
        self.assertTrue(check_lang_resources.compare_texts("t", "%d 通", "messages"))
        self.assertEqual([], check_lang_resources.compare_texts("t", "100%% %s", "%s, 100%%"))

    def test_accelerators(self):
        self.assertEqual(["d"], check_lang_resources.accelerators("&Delete"))
        self.assertEqual([], check_lang_resources.accelerators("Tom && Jerry"))
        self.assertIsNone(check_lang_resources.accelerators("Oops&"))
        self.assertTrue(check_lang_resources.compare_texts("t", "削除(&D)", "Delete"))
        self.assertTrue(check_lang_resources.compare_texts("t", "削除", "&Delete"))
        self.assertTrue(check_lang_resources.compare_texts("t", "削除(&D)", "&De&lete"))
        self.assertTrue(check_lang_resources.compare_texts("t", "削除(&D)", "Delete &-"))


@unittest.skipUnless(WINDRES and CC, "MinGW tools not installed")
class LibraryTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="check-lang-test-")
        cls.plugin = cls.build(JAPANESE, "plugin")
        with open(ENGLISH, encoding="utf-8") as f:
            cls.english = f.read()

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.folder, ignore_errors=True)

    @classmethod
    def build(cls, script, name):
        obj = os.path.join(cls.folder, name + ".o")
        dll = os.path.join(cls.folder, name + ".dll")
        subprocess.run([WINDRES, "-c", "65001", "-I", RESOURCES, "-I", os.path.dirname(script), script,
                        "-O", "coff", "-o", obj], check=True, capture_output=True)
        subprocess.run([CC, "-shared", "-nostdlib", "-Wl,--entry=0", "-o", dll, obj], check=True,
                       capture_output=True)
        return dll

    def altered(self, name, old, new):
        self.assertIn(old, self.english)
        script = os.path.join(self.folder, name + ".rc")
        with open(script, "w", encoding="utf-8") as f:
            f.write(self.english.replace(old, new, 1))
        return script, self.build(script, name)

    def test_the_english_library_passes(self):
        library = self.build(ENGLISH, "english")
        status, report = run_main(["--script", ENGLISH, "-I", RESOURCES, self.plugin, library])
        self.assertEqual(0, status, report)

    def test_faults_are_named(self):
        cases = [
            ("missing-string", '    IDS_WL_COLUMN_NOTE,               "Note"\n', "", "string 2219 is missing"),
            ("swapped-directives", '"Of %d messages, %d were judged as spam."',
             '"%d were judged as spam of %s messages."', "directives"),
            ("missing-control", '    LTEXT           "X-", IDC_STATIC, 64, 154, 10, 8\n', "",
             "dialog 110: controls"),
            ("shared-accelerator", '"&Folder..."', '"&Don\'t move..."', "accelerator 'd' is also on"),
            ("not-ascii", '"Judged as clean."', '"Judged as cl\u00e9an."', "is not ASCII"),
            ("missing-dialog", "IDD_PROGRESS DIALOGEX", "IDD_PROGRESS_GONE DIALOGEX", "dialog 150 is missing"),
        ]
        for name, old, new, expected in cases:
            with self.subTest(name):
                if name == "missing-dialog":
                    old_text = self.english
                    self.english = self.english.replace('#include "resource.h"',
                                                        '#include "resource.h"\n#define IDD_PROGRESS_GONE 151')
                    script, library = self.altered(name, old, new)
                    self.english = old_text
                else:
                    script, library = self.altered(name, old, new)
                status, report = run_main([self.plugin, library])
                self.assertEqual(1, status, report)
                self.assertIn(expected, report)


if __name__ == "__main__":
    unittest.main()
