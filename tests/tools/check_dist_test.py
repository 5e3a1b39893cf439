#!/usr/bin/env python3
"""Tests of tools/check_dist.py and tools/make-dist.py's document conversion: a package with
the right layout and texts passes, and each kind of fault a release could carry (an extra or
missing file, LF line ends, a UTF-8 "Japanese" text, an unstripped DLL) is named.

    python3 -m unittest discover -s tests/tools -p '*_test.py'
"""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest
import zipfile
from importlib import import_module

TOP = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(TOP, "tools"))
import check_dist  # noqa: E402

make_dist = import_module("make-dist")
CC = shutil.which("i686-w64-mingw32-gcc")
STRIP = shutil.which("i686-w64-mingw32-strip")


class PackageTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="check-dist-test-")

    def tearDown(self):
        shutil.rmtree(self.folder, ignore_errors=True)

    def dll(self, debug):
        source = os.path.join(self.folder, "x.c")
        with open(source, "w") as f:
            f.write("int __stdcall DllMain(void* a, unsigned long b, void* c) { return 1; }\n")
        out = os.path.join(self.folder, "x%d.dll" % debug)
        subprocess.run([CC, "-shared", "-nostdlib", "-Wl,--entry=_DllMain@12", "-o", out, source] +
                       (["-g"] if debug else ["-s"]), check=True, capture_output=True)
        with open(out, "rb") as f:
            return f.read()

    def package(self, replace=None, drop=None, add=None):
        entries = {}
        for name, (_, kind) in make_dist.PACKAGE_LAYOUT.items():
            if kind == "dll":
                entries[name] = self.stripped
            elif kind == "cp932":
                entries[name] = "説明\r\nline\r\n".encode("cp932")
            else:
                entries[name] = b"text\r\nline\r\n"
        entries.update(replace or {})
        if drop:
            del entries[drop]
        entries.update(add or {})
        path = os.path.join(self.folder, "p.zip")
        with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as archive:
            for name, data in entries.items():
                archive.writestr(name, data)
        return {what: problem for what, problem in check_dist.check(path, run_tools=False)}

    @unittest.skipUnless(CC and STRIP, "MinGW tools not installed")
    def test_layout_texts_and_stripping(self):
        self.stripped = self.dll(debug=False)
        self.assertEqual([], [w for w, p in self.package().items() if p], self.package())

        results = self.package(add={"PlugIns/Mirvane/bsfilter.exe": self.stripped})
        self.assertIn("unexpected PlugIns/Mirvane/bsfilter.exe", results["exactly the package layout"])
        results = self.package(drop="Mirvane/NOTE.txt")
        self.assertIn("missing Mirvane/NOTE.txt", results["exactly the package layout"])
        results = self.package(replace={"Mirvane/Readme-en.txt": b"text\nline\r\n"})
        self.assertIn("CR LF", results["Mirvane/Readme-en.txt: CR LF, ascii"])
        results = self.package(replace={"Mirvane/Readme-ja.txt": "説明\r\n".encode("utf-8")})
        self.assertIn("not cp932", results["Mirvane/Readme-ja.txt: CR LF, cp932"])
        results = self.package(replace={"PlugIns/Mirvane.dll": self.dll(debug=True)})
        self.assertTrue(results["PlugIns/Mirvane.dll is stripped"])

    def test_documents_are_converted_to_cr_lf_in_their_code_page(self):
        source = os.path.join(self.folder, "doc.txt")
        with open(source, "w", encoding="utf-8") as f:
            f.write("版 @VERSION@\nline\n")
        self.assertEqual("版 1.2.3.4\r\nline\r\n".encode("cp932"), make_dist.document(source, "cp932", "1.2.3.4"))
        with self.assertRaises(make_dist.DistError):
            make_dist.document(source, "ascii", "1")
        with open(source, "w", encoding="utf-8") as f:
            f.write("\U0001F600\n")
        with self.assertRaises(make_dist.DistError):
            make_dist.document(source, "cp932", "1")

    def test_the_package_documents_convert(self):
        for name, (source, kind) in make_dist.PACKAGE_LAYOUT.items():
            if kind == "dll":
                continue
            with self.subTest(name):
                data = make_dist.document(os.path.join(TOP, source), kind, "0.0.0.49")
                self.assertEqual([], check_dist.text_problems(data, kind))


if __name__ == "__main__":
    unittest.main()
