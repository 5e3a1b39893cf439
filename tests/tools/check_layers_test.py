#!/usr/bin/env python3
"""Tests of tools/check_layers.py: the project's own tree passes, and a tree with each kind of
upward dependence is caught with its file and line.

    python3 -m unittest discover -s tests/tools -p '*_test.py'
"""

import os
import sys
import tempfile
import unittest

TOP = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(TOP, "tools"))
import check_layers  # noqa: E402


class CheckLayersTest(unittest.TestCase):
    def tree(self, files):
        folder = tempfile.TemporaryDirectory()
        self.addCleanup(folder.cleanup)
        for path, text in files.items():
            full = os.path.join(folder.name, path)
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, "w", encoding="latin-1") as f:
                f.write(text)
        return folder.name

    def test_the_project_tree_passes(self):
        self.assertEqual([], check_layers.check_sources(TOP))

    def test_every_kind_of_upward_dependence_is_named(self):
        top = self.tree({
            "platform/posix/win32.h": "// the stand-in\n",
            "platform/platform.h": '#include "posix/win32.h"\n#include <string>\n',
            "platform/ui_posix.cpp": '#include "platform/platform.h"\n'
                                     '#include "support/Log.h"\n'
                                     'void* hook = dlsym(RTLD_DEFAULT, "PlatformMessageBoxHook");\n',
            "support/Util.cpp": '#include "support/Log.h"\n#include "engine/Mirvane.h"\n'
                                'FARPROC p = GetProcAddress(GetModuleHandleA(nullptr), "Hook");\n',
            "support/Util_win.cpp": 'FARPROC v = GetProcAddress(comctl, "DllGetVersion");\n',
            "commands/Progress_posix.cpp": '#include "common/FakeHost.h"\n'
                                           '// GetProcAddress(program, "InAComment")\n'
                                           'x = GetProcAddress(program, "ProgressHook");\n',
            "engine/Classify.cpp": '#include "lists/Header.h"\n#include "plugin/HostApi.h"\n',
        })
        findings = check_layers.check_sources(top)
        self.assertEqual([
            "platform/ui_posix.cpp:2: includes support/Log.h from above platform/",
            "platform/ui_posix.cpp:3: looks up a global name in the program (RTLD_DEFAULT)",
            "platform/ui_posix.cpp:3: looks up \"PlatformMessageBoxHook\", which no system DLL exports",
            "support/Util.cpp:2: includes engine/Mirvane.h from above support/",
            "support/Util.cpp:3: takes the main program's module handle",
            "support/Util.cpp:3: looks up \"Hook\", which no system DLL exports",
            "commands/Progress_posix.cpp:1: includes common/FakeHost.h, which is not part of the plug-in",
            "commands/Progress_posix.cpp:3: looks up \"ProgressHook\", which no system DLL exports",
        ], findings)
        self.assertEqual(1, check_layers.main(["--top", top]))

    def test_a_cycle_inside_support_is_named(self):
        top = self.tree({
            "support/Log.h": '#include "support/Text.h"\n',
            "support/Log.cpp": '#include "support/Log.h"\n#include "support/Util.h"\n',
            "support/Util.h": '#include "support/Log.h"\n',
            "support/Util_win.cpp": '#include "support/Util.h"\n',
            "support/Text.h": "\n",
        })
        self.assertEqual(["support: include cycle support/Log -> support/Util -> support/Log"],
                         check_layers.check_sources(top))
        os.remove(os.path.join(top, "support/Log.cpp"))
        self.assertEqual([], check_layers.check_sources(top))


if __name__ == "__main__":
    unittest.main()
