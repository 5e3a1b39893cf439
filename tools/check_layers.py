#!/usr/bin/env python3
"""Checks that dependence runs one way: the platform layer and the support helpers below it
include nothing above them, no part of the plug-in looks a name up in the program that loads it,
and the built platform library links to nothing of the project.

    tools/check_layers.py [--build DIR]...

Rules:
  - a file under platform/ includes only platform/ headers; one under support/ only platform/
    and support/ headers (quoted includes; system headers are free);
  - no file of the plug-in (platform/, support/ and the subsystems) includes a header of the
    host simulator or of the tests;
  - no file of the plug-in asks the dynamic linker for a global name (RTLD_DEFAULT), and
    platform/ and support/ never take the main program's module handle to look names up in it;
  - a name looked up by string (GetProcAddress, dlsym) is a system DLL's export from KNOWN_SYSTEM;
  - within support/ the units (a header with its sources) include each other without a cycle
    (the platform layer is one unit: its files implement platform.h together);
  - with --build: the platform library of that build needs no library of the project.
Prints each finding as "file:line: text" and exits 1 when there is any.
"""
import argparse
import os
import re
import subprocess
import sys

LOWER_LAYERS = {
    "platform": ("platform/",),
    "support": ("platform/", "support/"),
}
PLUGIN_FOLDERS = ("platform", "support", "settings", "lists", "engine", "commands", "ui", "plugin")
FOREIGN_PREFIXES = ("host/", "tests/", "common/")
# Exports of Windows system DLLs that the plug-in looks up at run time (newer than its floor).
KNOWN_SYSTEM = {"DllGetVersion", "SetWindowTheme"}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
LOOKUP = re.compile(r'\b(?:GetProcAddress|dlsym)\s*\([^;]*?,\s*"([^"]+)"')
MAIN_HANDLE = re.compile(r'\bGetModuleHandleA?\s*\(\s*(?:nullptr|NULL|0)\s*\)')
SOURCE_ENDINGS = (".cpp", ".h", ".c", ".hpp")


def sources(top, folder):
    for root, _dirs, files in os.walk(os.path.join(top, folder)):
        for name in sorted(files):
            if name.endswith(SOURCE_ENDINGS):
                path = os.path.join(root, name)
                yield os.path.relpath(path, top).replace(os.sep, "/")


def strip_comments(text):
    """text with // and /* */ comments blanked (line count kept); string literals stay."""
    out = []
    i = 0
    n = len(text)
    while i < n:
        c = text[i]
        if c == '"' or c == "'":
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            out.append(text[i:j + 1])
            i = j + 1
        elif text.startswith("//", i):
            j = text.find("\n", i)
            i = n if j < 0 else j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            out.append("\n" * text.count("\n", i, j))
            i = j
        else:
            out.append(c)
            i += 1
    return "".join(out)


def check_sources(top):
    findings = []
    for folder in PLUGIN_FOLDERS:
        allowed = LOWER_LAYERS.get(folder)
        for path in sources(top, folder):
            with open(os.path.join(top, path), encoding="latin-1") as f:
                code = strip_comments(f.read())
            for number, line in enumerate(code.split("\n"), 1):
                where = "%s:%d: " % (path, number)
                m = INCLUDE.match(line)
                if m:
                    target = m.group(1)
                    beside = os.path.join(os.path.dirname(path), target)
                    if os.path.isfile(os.path.join(top, beside)):
                        target = os.path.normpath(beside).replace(os.sep, "/")
                    if target.startswith(FOREIGN_PREFIXES):
                        findings.append(where + "includes %s, which is not part of the plug-in" % target)
                    elif allowed and "/" in target and not target.startswith(allowed):
                        findings.append(where + "includes %s from above %s/" % (target, folder))
                if "RTLD_DEFAULT" in line:
                    findings.append(where + "looks up a global name in the program (RTLD_DEFAULT)")
                if allowed and MAIN_HANDLE.search(line):
                    findings.append(where + "takes the main program's module handle")
                for name in LOOKUP.findall(line):
                    if name not in KNOWN_SYSTEM:
                        findings.append(where + "looks up \"%s\", which no system DLL exports" % name)
    return findings + check_cycles(top)


def unit_of(path):
    """support/Util_win.cpp and support/Util.h are both the unit support/Util."""
    stem = os.path.splitext(path)[0]
    return re.sub(r"_(?:win|posix)$", "", stem)


def check_cycles(top):
    findings = []
    for folder in ("support",):
        edges = {}
        for path in sources(top, folder):
            with open(os.path.join(top, path), encoding="latin-1") as f:
                code = strip_comments(f.read())
            unit = unit_of(path)
            for line in code.split("\n"):
                m = INCLUDE.match(line)
                if m and m.group(1).startswith(folder + "/") and unit_of(m.group(1)) != unit:
                    edges.setdefault(unit, set()).add(unit_of(m.group(1)))
        # Depth-first search; a unit met again on the current path closes a cycle.
        state = {}

        def visit(unit, trail):
            state[unit] = "open"
            for target in sorted(edges.get(unit, ())):
                if state.get(target) == "open":
                    cycle = trail[trail.index(target):] + [target]
                    findings.append("%s: include cycle %s" % (folder, " -> ".join(cycle)))
                elif target not in state:
                    visit(target, trail + [target])
            state[unit] = "done"

        for unit in sorted(edges):
            if unit not in state:
                visit(unit, [unit])
    return findings


def needed_libraries(library):
    output = subprocess.run(["readelf", "-d", library], capture_output=True, text=True, check=True).stdout
    return re.findall(r"\(NEEDED\)\s+Shared library: \[([^\]]+)\]", output)


def check_build(build):
    bin_folder = os.path.join(build, "bin")
    library = os.path.join(bin_folder, "libmirvane_platform.so")
    if not os.path.isfile(library):
        return ["%s: missing (build the tree first)" % library]
    own = set(os.listdir(bin_folder))
    return ["%s: needs %s, a library of the project" % (library, name)
            for name in needed_libraries(library) if name in own]


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", action="append", default=[], help="a POSIX build folder to check too")
    parser.add_argument("--top", default=os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    args = parser.parse_args(argv)
    findings = check_sources(args.top)
    for build in args.build:
        findings += check_build(build)
    for finding in findings:
        print(finding)
    if findings:
        print("check_layers: %d finding(s)" % len(findings))
        return 1
    print("check_layers: platform/ and support/ depend on nothing above them")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
