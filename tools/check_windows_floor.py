#!/usr/bin/env python3
"""Checks that a Windows module loads on the oldest Windows the product supports.

    check_windows_floor.py [--list tools/windows-imports.txt] MODULE

The list names the floor ("floor 6.0") and every function the module may import with the
Windows version that introduced it. The module's PE headers must name the floor as operating
system and subsystem version, and each of its imports must be listed with a version no newer
than the floor: an unlisted import fails too, so a new dependency is looked up before it ships.
Reads the headers and imports with MinGW's objdump. Exits 1 on any problem, 2 when the files
cannot be read.
"""

import argparse
import os
import re
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
OBJDUMP = "i686-w64-mingw32-objdump"


def version(text):
    return tuple(int(part) for part in text.split("."))


def read_list(path):
    """(floor, {(dll, function): version})."""
    floor, since = None, {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            words = line.split("#", 1)[0].split()
            if not words:
                continue
            if words[0] == "floor" and len(words) == 2:
                floor = version(words[1])
            elif len(words) == 3:
                since[(words[0].lower(), words[1])] = version(words[2])
            else:
                raise ValueError("%s: cannot read %r" % (path, line.strip()))
    if floor is None:
        raise ValueError("%s names no floor" % path)
    return floor, since


def read_module(path):
    """({header field: value}, [(dll, function)]) from objdump's private headers."""
    dump = subprocess.run([OBJDUMP, "-p", path], capture_output=True, text=True, check=True).stdout
    fields = dict(re.findall(r"^(Major\w+|Minor\w+)\s+(\d+)", dump, re.M))
    imports, dll = [], None
    for line in dump.splitlines():
        named = re.match(r"\s*DLL Name: (\S+)", line)
        if named:
            dll = named.group(1).lower()
        elif dll and not line.strip():
            dll = None
        elif dll:
            entry = re.match(r"\s*[0-9a-f]+\s+\d+\s+(\S+)", line)
            if entry:
                imports.append((dll, entry.group(1)))
    return fields, imports


def problems(module, list_path):
    floor, since = read_list(list_path)
    fields, imports = read_module(module)
    found = []
    for name in ("OSystemVersion", "SubsystemVersion"):
        header = (int(fields.get("Major" + name, -1)), int(fields.get("Minor" + name, -1)))
        if header != floor:
            found.append("the header's %s is %d.%d, not the floor %d.%d" % ((name,) + header + floor))
    if not imports:
        found.append("no imports read")
    for dll, function in imports:
        introduced = since.get((dll, function))
        if introduced is None:
            found.append("%s %s is not in %s" % (dll, function, os.path.basename(list_path)))
        elif introduced > floor:
            found.append("%s %s needs Windows %s" % (dll, function, ".".join(map(str, introduced))))
    return floor, len(imports), found


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--list", default=os.path.join(HERE, "windows-imports.txt"))
    parser.add_argument("module")
    args = parser.parse_args(argv)
    try:
        floor, count, found = problems(args.module, args.list)
    except (OSError, ValueError, subprocess.CalledProcessError) as e:
        print("check_windows_floor: %s" % e, file=sys.stderr)
        return 2
    for p in found:
        print("  DOES NOT FIT: " + p)
    floor_text = ".".join(map(str, floor))
    if found:
        print("check_windows_floor: %s: %d problem(s) for Windows %s" % (args.module, len(found), floor_text))
        return 1
    print("check_windows_floor: %s: headers and all %d imports fit Windows %s" % (args.module, count, floor_text))
    return 0


if __name__ == "__main__":
    sys.exit(main())
