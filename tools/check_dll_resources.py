#!/usr/bin/env python3
"""Checks that a built Windows module holds the resources of resources/Mirvane.rc exactly.

    check_dll_resources.py [MODULE [SCRIPT]]
        (defaults: build/win/bin/Mirvane.dll and resources/Mirvane.rc)

Reads the PE file's resource section directly (no Windows, no third-party module): the string
table (RT_STRING) and the version resource (RT_VERSION). Every string of the script must be in
the module with the same text (the module stores UTF-16; the script is read by rc2cpp's parser),
no other string may be there, and the version resource must carry the plug-in's fixed version
numbers, translation and string values. This compares what the resource compiler produced with
what rc2cpp reads from the same script, so a fault in either shows. Prints a summary; exits 1 on
any difference, 2 when the files cannot be read.
"""

import argparse
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
TOP = os.path.dirname(HERE)
sys.path.insert(0, HERE)
import rc2cpp  # noqa: E402

RT_STRING = 6
RT_VERSION = 16
RESOURCE_DIRECTORY_INDEX = 2

# What the plug-in's version resource must say (the host shows these; the settings sheet shows
# the product version).
EXPECTED_VERSION = (0, 0, 0, 49)
EXPECTED_TRANSLATION = (0x0411, 1200)
EXPECTED_VALUES = {
    "CompanyName": "Mirvane Project",
    "FileDescription": "Mirvane(Becky! プラグイン)",
    "FileVersion": "0.0.0.49",
    "InternalName": "Mirvane",
    "OriginalFilename": "Mirvane.dll",
    "ProductName": "Mirvane",
    "ProductVersion": "0.0.0.49",
    "Comments": "bsfilter を Becky! から利用するためのプラグインです",
}
VS_FIXEDFILEINFO_SIGNATURE = 0xFEEF04BD


class PeError(Exception):
    pass


class PeImage:
    """Just enough of a PE file to walk its resource directory."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ" or len(data) < 0x40:
            raise PeError("not an MZ executable")
        pe = self.u32(0x3C)
        if data[pe:pe + 4] != b"PE\0\0":
            raise PeError("no PE signature")
        sections, optional_size = struct.unpack_from("<2xH12xH", data, pe + 4)
        optional = pe + 24
        magic = self.u16(optional)
        if magic == 0x10B:
            directories = optional + 96
        elif magic == 0x20B:
            directories = optional + 112
        else:
            raise PeError("unknown optional-header magic 0x%x" % magic)
        count = self.u32(directories - 4)
        if count <= RESOURCE_DIRECTORY_INDEX:
            raise PeError("no resource directory entry")
        self.resource_rva, self.resource_size = struct.unpack_from(
            "<II", data, directories + 8 * RESOURCE_DIRECTORY_INDEX)
        if self.resource_rva == 0:
            raise PeError("the module has no resources")
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            name, vsize, va, raw_size, raw_ptr = struct.unpack_from("<8sIIII", data, table + 40 * i)
            self.sections.append((va, max(vsize, raw_size), raw_ptr, raw_size))
        self.resource_base = self.offset(self.resource_rva)

    def u16(self, offset):
        return struct.unpack_from("<H", self.data, offset)[0]

    def u32(self, offset):
        return struct.unpack_from("<I", self.data, offset)[0]

    def offset(self, rva):
        for va, size, raw_ptr, raw_size in self.sections:
            if va <= rva < va + size:
                if rva - va >= raw_size:
                    raise PeError("RVA 0x%x lies in uninitialised data" % rva)
                return raw_ptr + rva - va
        raise PeError("RVA 0x%x is in no section" % rva)

    def directory(self, offset):
        """[(id or name, is_directory, offset)] of the resource directory at offset."""
        named, ids = struct.unpack_from("<12xHH", self.data, self.resource_base + offset)
        entries = []
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", self.data,
                                              self.resource_base + offset + 16 + 8 * i)
            if name & 0x80000000:
                at = self.resource_base + (name & 0x7FFFFFFF)
                length = self.u16(at)
                key = self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
            else:
                key = name
            entries.append((key, bool(target & 0x80000000), target & 0x7FFFFFFF))
        return entries

    def resources(self, type_id):
        """{(name, language): bytes} of every resource of that type."""
        result = {}
        for key, is_dir, offset in self.directory(0):
            if key != type_id:
                continue
            if not is_dir:
                raise PeError("resource type %d is not a directory" % type_id)
            for name, name_is_dir, name_offset in self.directory(offset):
                if not name_is_dir:
                    raise PeError("resource %r of type %d has no language level" % (name, type_id))
                for language, lang_is_dir, data_offset in self.directory(name_offset):
                    if lang_is_dir:
                        raise PeError("resource %r of type %d nests too deep" % (name, type_id))
                    rva, size = struct.unpack_from("<II", self.data,
                                                   self.resource_base + data_offset)
                    start = self.offset(rva)
                    result[(name, language)] = self.data[start:start + size]
        return result


def read_string_table(image):
    """{id: (text, language)} from the RT_STRING blocks (16 counted UTF-16 strings each)."""
    strings = {}
    for (block, language), data in image.resources(RT_STRING).items():
        if not isinstance(block, int) or block == 0:
            raise PeError("string block with the name %r" % (block,))
        pos = 0
        for index in range(16):
            if pos + 2 > len(data):
                raise PeError("string block %d ends early" % block)
            length = struct.unpack_from("<H", data, pos)[0]
            pos += 2
            if length:
                id = (block - 1) * 16 + index
                if id in strings:
                    raise PeError("string %d appears in more than one language" % id)
                strings[id] = (data[pos:pos + 2 * length].decode("utf-16-le"), language)
            pos += 2 * length
    return strings


def align4(offset):
    return (offset + 3) & ~3


def parse_version_node(data, offset):
    """One node of a version resource: (key, value bytes, value is text, children, end)."""
    length, value_length, kind = struct.unpack_from("<HHH", data, offset)
    if length < 6 or offset + length > len(data):
        raise PeError("version node at %d has a bad length %d" % (offset, length))
    end = offset + length
    pos = offset + 6
    key_end = pos
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
        if key_end >= end:
            raise PeError("version node key without terminator")
    key = data[pos:key_end].decode("utf-16-le")
    pos = align4(key_end + 2)
    value_size = value_length * 2 if kind == 1 else value_length
    value = data[pos:pos + value_size]
    pos = align4(pos + value_size)
    children = []
    while pos < end:
        child = parse_version_node(data, pos)
        children.append(child)
        pos = align4(child[4])
    return key, value, kind == 1, children, end


def read_version(image):
    found = image.resources(RT_VERSION)
    if len(found) != 1:
        raise PeError("expected one version resource, found %d" % len(found))
    (name, language), data = next(iter(found.items()))
    key, fixed, _, children, _ = parse_version_node(data, 0)
    if key != "VS_VERSION_INFO":
        raise PeError("the version resource starts with %r" % key)
    if len(fixed) != 52:
        raise PeError("VS_FIXEDFILEINFO is %d bytes" % len(fixed))
    fields = struct.unpack("<13I", fixed)
    if fields[0] != VS_FIXEDFILEINFO_SIGNATURE:
        raise PeError("VS_FIXEDFILEINFO has the signature 0x%08x" % fields[0])
    info = {
        "file_version": (fields[2] >> 16, fields[2] & 0xFFFF, fields[3] >> 16, fields[3] & 0xFFFF),
        "product_version": (fields[4] >> 16, fields[4] & 0xFFFF, fields[5] >> 16,
                            fields[5] & 0xFFFF),
        "blocks": {},
        "translations": [],
    }
    for child_key, _, _, grandchildren, _ in children:
        if child_key == "StringFileInfo":
            for block_key, _, _, entries, _ in grandchildren:
                values = {}
                for entry_key, value, is_text, _, _ in entries:
                    if not is_text:
                        raise PeError("version value %r is not text" % entry_key)
                    text = value.decode("utf-16-le")
                    if text.endswith("\0"):
                        text = text[:-1]
                    values[entry_key] = text
                info["blocks"][block_key.lower()] = values
        elif child_key == "VarFileInfo":
            for var_key, value, _, _, _ in grandchildren:
                if var_key == "Translation":
                    words = struct.unpack("<%dH" % (len(value) // 2), value)
                    info["translations"] += list(zip(words[0::2], words[1::2]))
    return info


def compare(module_path, rc_path, include_dirs):
    """Returns (list of differences, summary line)."""
    with open(module_path, "rb") as f:
        image = PeImage(f.read())
    script = rc2cpp.parse_rc(rc_path, include_dirs)
    problems = []

    strings = read_string_table(image)
    expected = {id: entry.text for id, entry in script.strings.items()}
    for id in sorted(set(expected) | set(strings)):
        if id not in strings:
            problems.append("string %d is in the script but not in the module" % id)
        elif id not in expected:
            problems.append("string %d is in the module but not in the script" % id)
        elif strings[id][0] != expected[id]:
            problems.append("string %d differs:\n    module: %r\n    script: %r"
                            % (id, strings[id][0], expected[id]))
    for id, (text, _) in sorted(strings.items()):
        try:
            rc2cpp.to_ansi(text)
        except rc2cpp.RcError as e:
            problems.append("string %d: %s" % (id, e.message))

    version = read_version(image)
    for field in ("file_version", "product_version"):
        if version[field] != EXPECTED_VERSION:
            problems.append("%s is %s, expected %s" % (field, version[field], EXPECTED_VERSION))
    if not version["translations"] or version["translations"][0] != EXPECTED_TRANSLATION:
        problems.append("Translation is %s, expected %s first"
                        % (version["translations"], EXPECTED_TRANSLATION))
    block_name = "%04x%04x" % EXPECTED_TRANSLATION
    values = version["blocks"].get(block_name)
    if values is None:
        problems.append("no string block %s (found %s)" % (block_name, sorted(version["blocks"])))
        values = {}
    for key, text in EXPECTED_VALUES.items():
        if values.get(key) != text:
            problems.append("version value %s is %r, expected %r" % (key, values.get(key), text))
    for key in sorted(set(values) - set(EXPECTED_VALUES)):
        problems.append("unexpected version value %s = %r" % (key, values[key]))
    script_values = {}
    if script.version is not None:
        for _, entries in script.version.string_blocks:
            script_values.update({k: v for k, v, _ in entries})
        if script.version.file_version != version["file_version"]:
            problems.append("FILEVERSION of the script %s differs from the module's %s"
                            % (script.version.file_version, version["file_version"]))
    if script_values != values:
        problems.append("the script's version strings differ from the module's")

    ids = sorted(strings)
    span = "%d-%d" % (ids[0], ids[-1]) if ids else "none"
    summary = ("%s: %d strings (ids %s) and %d version strings checked against %s"
               % (module_path, len(strings), span, len(values), rc_path))
    return problems, summary


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("-I", dest="include_dirs", action="append", default=[],
                        help="folder searched for the script's #include \"...\" files")
    parser.add_argument("module", nargs="?",
                        default=os.path.join(TOP, "build", "win", "bin", "Mirvane.dll"))
    parser.add_argument("rc", nargs="?", default=os.path.join(TOP, "resources", "Mirvane.rc"))
    args = parser.parse_args(argv)
    try:
        problems, summary = compare(args.module, args.rc, args.include_dirs)
    except (OSError, PeError, rc2cpp.RcError, struct.error) as e:
        print("check_dll_resources: cannot check %s: %s" % (args.module, e), file=sys.stderr)
        return 2
    return report("check_dll_resources", summary, problems,
                  "the module's string table and version resource match")


def report(tool, summary, problems, success):
    """Prints the summary and each difference; the exit status (0 none, 1 some)."""
    print(summary)
    for p in problems:
        print("  DIFFERENCE: " + p)
    if problems:
        print("%s: %d difference(s)" % (tool, len(problems)))
        return 1
    print("%s: %s" % (tool, success))
    return 0


if __name__ == "__main__":
    sys.exit(main())
