#!/usr/bin/env python3
"""Tests of tools/check_windows_floor.py on small DLLs built here: it passes a DLL whose headers
and imports fit the list's floor, and names an import newer than the floor, an import missing
from the list, and headers that name another version. Needs the MinGW C compiler; skipped
without it.

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
import check_windows_floor  # noqa: E402

CC = shutil.which("i686-w64-mingw32-gcc")
SOURCE = r"""
#include <windows.h>
BOOL WINAPI DllMainCRTStartup(HINSTANCE module, DWORD reason, LPVOID reserved) {
    Sleep(0);
    return GetTickCount64() != 0;
}
"""


@unittest.skipUnless(CC, "MinGW tools not installed")
class FloorTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="floor-test-")
        source = os.path.join(cls.folder, "m.c")
        with open(source, "w") as f:
            f.write(SOURCE)
        cls.dlls = {}
        for floor in ("6.0", "5.1"):
            out = os.path.join(cls.folder, "m%s.dll" % floor)
            major, minor = floor.split(".")
            subprocess.run([CC, "-D_WIN32_WINNT=0x0600", "-shared", "-nostdlib", "-o", out, source,
                            "-lkernel32", "-Wl,--subsystem,windows:" + floor,
                            "-Wl,--major-os-version," + major, "-Wl,--minor-os-version," + minor],
                           check=True, capture_output=True)
            cls.dlls[floor] = out

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.folder, ignore_errors=True)

    def run_check(self, dll, listing):
        path = os.path.join(self.folder, "list.txt")
        with open(path, "w") as f:
            f.write(listing)
        out = io.StringIO()
        with contextlib.redirect_stdout(out), contextlib.redirect_stderr(out):
            status = check_windows_floor.main(["--list", path, dll])
        return status, out.getvalue()

    def test_fits_and_each_fault_is_named(self):
        good = "floor 6.0\nkernel32.dll Sleep 5.0\nkernel32.dll GetTickCount64 6.0   # Vista\n"
        status, report = self.run_check(self.dlls["6.0"], good)
        self.assertEqual(0, status, report)
        self.assertIn("all 2 imports", report)

        status, report = self.run_check(self.dlls["6.0"], good.replace("GetTickCount64 6.0", "GetTickCount64 6.1"))
        self.assertEqual(1, status, report)
        self.assertIn("kernel32.dll GetTickCount64 needs Windows 6.1", report)

        status, report = self.run_check(self.dlls["6.0"], good.replace("kernel32.dll Sleep 5.0\n", ""))
        self.assertEqual(1, status, report)
        self.assertIn("kernel32.dll Sleep is not in", report)

        status, report = self.run_check(self.dlls["5.1"], good)
        self.assertEqual(1, status, report)
        self.assertIn("OSystemVersion is 5.1, not the floor 6.0", report)
        self.assertIn("SubsystemVersion is 5.1", report)

    def test_a_list_without_a_floor_cannot_be_used(self):
        status, _ = self.run_check(self.dlls["6.0"], "kernel32.dll Sleep 5.0\n")
        self.assertEqual(2, status)


if __name__ == "__main__":
    unittest.main()
