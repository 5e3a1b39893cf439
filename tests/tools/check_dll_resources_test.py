#!/usr/bin/env python3
"""Tests of tools/check_dll_resources.py: it passes a DLL built from the resource script and
names every kind of difference in a DLL built from an altered copy. Needs the MinGW resource
compiler and C compiler; skipped without them.

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
import check_dll_resources  # noqa: E402

def run_main(args):
    """check_dll_resources.main with its report captured: (exit status, report)."""
    out, err = io.StringIO(), io.StringIO()
    with contextlib.redirect_stdout(out), contextlib.redirect_stderr(err):
        status = check_dll_resources.main(args)
    return status, out.getvalue() + err.getvalue()


WINDRES = shutil.which("i686-w64-mingw32-windres")
CC = shutil.which("i686-w64-mingw32-gcc")
SCRIPT = os.path.join(TOP, "resources", "Mirvane.rc")
RESOURCES = os.path.join(TOP, "resources")


@unittest.skipUnless(WINDRES and CC, "MinGW tools not installed")
class CheckerTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="check-dll-test-")
        with open(SCRIPT, encoding="utf-8") as f:
            cls.original = f.read()
        cls.stub = os.path.join(cls.folder, "stub.c")
        with open(cls.stub, "w") as f:
            f.write("int __stdcall DllMain(void* m, unsigned long r, void* p) "
                    "{ (void)m; (void)r; (void)p; return 1; }\n")
        cls.good_dll = cls.build("good", cls.original)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.folder)

    @classmethod
    def build(cls, name, script_text):
        rc = os.path.join(cls.folder, name + ".rc")
        with open(rc, "w", encoding="utf-8") as f:
            f.write(script_text)
        res = os.path.join(cls.folder, name + ".res.o")
        dll = os.path.join(cls.folder, name + ".dll")
        subprocess.run([WINDRES, "-c", "65001", "-I", RESOURCES, rc, "-O", "coff", "-o", res],
                       check=True)
        subprocess.run([CC, "-shared", "-nostdlib", "-e", "_DllMain@12", "-o", dll, cls.stub, res],
                       check=True)
        return dll

    def write_script(self, name, text):
        path = os.path.join(self.folder, name + ".rc")
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)
        return path

    def test_dll_built_from_the_script_matches(self):
        problems, summary = check_dll_resources.compare(self.good_dll, SCRIPT, [RESOURCES])
        self.assertEqual(problems, [])
        self.assertIn("174 strings (ids 2001-2288)", summary)
        self.assertIn("8 version strings", summary)
        status, report = run_main([self.good_dll])
        self.assertEqual(status, 0, report)
        self.assertIn("match", report)

    def test_every_kind_of_difference_is_named(self):
        altered = self.original
        for old, new in [
                ('"%d / %d を処理中..."', '"%d / %d を処理中.."'),              # text changed
                ('    IDS_PROGRESS_WINDING_DOWN,', '    // IDS_PROGRESS_WINDING_DOWN,'),  # dropped
                ('"bsfilter (Mirvane)"\n', '"bsfilter (Mirvane)"\n    2300, "extra"\n'),
                ('"Mirvane Project"', '"Someone Else"'),
                ('FILEVERSION 0, 0, 0, 49', 'FILEVERSION 0, 0, 0, 48')]:
            self.assertIn(old, altered)
            altered = altered.replace(old, new, 1)
        dll = self.build("altered", altered)
        problems, _ = check_dll_resources.compare(dll, SCRIPT, [RESOURCES])
        text = "\n".join(problems)
        self.assertIn("string 2239 differs", text)
        self.assertIn("string 2240 is in the script but not in the module", text)
        self.assertIn("string 2300 is in the module but not in the script", text)
        self.assertIn("version value CompanyName is 'Someone Else'", text)
        self.assertIn("file_version is (0, 0, 0, 48)", text)
        status, report = run_main([dll])
        self.assertEqual(status, 1)
        self.assertIn("7 difference(s)", report)

    def test_script_changed_after_the_build_is_a_difference(self):
        # A CR LF lost from the script, the DLL still has it.
        changed = self.original.replace('できません。\\r\\n設定を', 'できません。設定を', 1)
        self.assertNotEqual(changed, self.original)
        rc = self.write_script("changed", changed)
        problems, _ = check_dll_resources.compare(self.good_dll, rc, [RESOURCES])
        self.assertEqual(len(problems), 1)
        self.assertIn("string 2136 differs", problems[0])

    def test_unreadable_module_is_reported(self):
        not_pe = os.path.join(self.folder, "not.dll")
        with open(not_pe, "wb") as f:
            f.write(b"MZ" + b"\0" * 100)
        self.assertEqual(run_main([not_pe])[0], 2)
        self.assertEqual(run_main([os.path.join(self.folder, "none.dll")])[0], 2)


if __name__ == "__main__":
    unittest.main()
