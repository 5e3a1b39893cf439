#!/usr/bin/env python3
"""Checks a release package as a user's unpacker would see it.

    check_dist.py ZIP

Reads the archive with Python's zipfile and has `unzip -t` test it, then checks that it holds
exactly the layout of make-dist.py (no stand-in, no test program, nothing else), that both
DLLs are stripped (no symbol table, no debug sections), that the plug-in passes
tools/check_dll.sh and the English library tools/check_lang_resources.py, and that every
document has CR LF line ends only, the Japanese ones in code page 932 and the English ones in
ASCII. Prints one line per check; exits 1 when any fails.
"""

import os
import struct
import subprocess
import sys
import tempfile
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from importlib import import_module  # noqa: E402

LAYOUT = import_module("make-dist").PACKAGE_LAYOUT


def pe_problems(data):
    """Why a PE image is not stripped ([] when it is)."""
    if data[:2] != b"MZ":
        return ["is not a PE file"]
    offset = struct.unpack_from("<I", data, 0x3C)[0]
    if data[offset:offset + 4] != b"PE\0\0":
        return ["is not a PE file"]
    sections, symbols_at, symbols = struct.unpack_from("<2xH4xII", data, offset + 4)
    problems = []
    if symbols:
        problems.append("has a symbol table (%d symbols)" % symbols)
    optional_size = struct.unpack_from("<H", data, offset + 20)[0]
    table = offset + 24 + optional_size
    strings = symbols_at + 18 * symbols  # long section names ("/N") live in the string table
    for i in range(sections):
        name = data[table + 40 * i:table + 40 * i + 8].rstrip(b"\0")
        if name.startswith(b"/") and symbols_at:
            start = strings + int(name[1:])
            name = data[start:data.index(b"\0", start)]
        if name.startswith(b".debug"):
            problems.append("has the section %s" % name.decode("latin-1"))
    return problems


def text_problems(data, kind):
    problems = []
    if data.replace(b"\r\n", b"").count(b"\n") or data.replace(b"\r\n", b"").count(b"\r"):
        problems.append("has line ends other than CR LF")
    if not data.endswith(b"\r\n"):
        problems.append("does not end with a line end")
    try:
        text = data.decode("cp932" if kind == "cp932" else "ascii")
        if kind == "cp932" and text.isascii():
            problems.append("holds no Japanese")
    except UnicodeDecodeError as e:
        problems.append("is not %s: %s" % (kind, e))
    return problems


def check(path, run_tools=True):
    """[(description, problem or None)] for the archive."""
    results = []

    def record(what, problems):
        results.append((what, "; ".join(problems) if problems else None))

    tested = subprocess.run(["unzip", "-tq", path], capture_output=True, text=True)
    record("unzip -t finds no error", [] if tested.returncode == 0 else [tested.stdout + tested.stderr])
    with zipfile.ZipFile(path) as archive:
        names = archive.namelist()
        record("zipfile reads every entry", [] if archive.testzip() is None else ["a CRC differs"])
        extra = sorted(set(names) - set(LAYOUT))
        missing = sorted(set(LAYOUT) - set(names))
        record("exactly the package layout",
               ["missing %s" % m for m in missing] + ["unexpected %s" % e for e in extra] +
               (["duplicate entries"] if len(names) != len(set(names)) else []))
        with tempfile.TemporaryDirectory() as work:
            for name in sorted(set(names) & set(LAYOUT)):
                data = archive.read(name)
                kind = LAYOUT[name][1]
                if kind == "dll":
                    record("%s is stripped" % name, pe_problems(data))
                    with open(os.path.join(work, os.path.basename(name)), "wb") as f:
                        f.write(data)
                else:
                    record("%s: CR LF, %s" % (name, kind), text_problems(data, kind))
            plugin = os.path.join(work, "Mirvane.dll")
            library = os.path.join(work, "Resource.dll")
            if run_tools and os.path.exists(plugin):
                run = subprocess.run([os.path.join(HERE, "check_dll.sh"), plugin],
                                     capture_output=True, text=True)
                record("PlugIns/Mirvane.dll passes check_dll.sh",
                       [] if run.returncode == 0 else [(run.stdout + run.stderr).strip()])
                if os.path.exists(library):
                    run = subprocess.run([sys.executable, os.path.join(HERE, "check_lang_resources.py"),
                                          plugin, library], capture_output=True, text=True)
                    record("the English Resource.dll matches the plug-in's strings and dialogs",
                           [] if run.returncode == 0 else [run.stdout.strip()])
    return results


def main(argv=None):
    argv = sys.argv[1:] if argv is None else argv
    if len(argv) != 1:
        print("usage: check_dist.py ZIP", file=sys.stderr)
        return 2
    failed = 0
    for what, problem in check(argv[0]):
        if problem is None:
            print("  ok: %s" % what)
        else:
            failed += 1
            print("  FAILED: %s: %s" % (what, problem))
    print("check_dist: %s: %s" % (argv[0], "%d check(s) failed" % failed if failed else "every check passed"))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
