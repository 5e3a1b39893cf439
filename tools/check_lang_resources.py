#!/usr/bin/env python3
"""Checks a built language library (Resource.dll) against the plug-in's own resources.

    check_lang_resources.py [--script RC] PLUGIN_DLL LANGUAGE_DLL

Reads both PE files' resources directly (as check_dll_resources.py does) and fails when the
language library would show the user less than the plug-in does, or something broken:
  - a string id of the plug-in's table is missing from the library (or the library has one
    the plug-in lacks);
  - a text's printf directives (%d, %s, ...) differ from the plug-in's, one for one in order:
    the code fills them with the plug-in's arguments;
  - an accelerator is malformed ("&" at the end, two in one text) or present on one side only;
  - a dialog of the plug-in is missing, or its controls differ (ids and window classes, in
    order), or two controls of one dialog share an accelerator key;
  - a text cannot be shown in any ANSI code page (the plug-in reads texts with LoadStringA):
    only ASCII is allowed in a library other than the Japanese one.
With --script, the library's strings must also equal the resource script it was built from.
Prints a summary; exits 1 on any difference, 2 when a file cannot be read.
"""

import argparse
import re
import struct
import sys

import check_dll_resources as pe
import rc2cpp

RT_DIALOG = 5
DS_SETFONT = 0x40
# printf conversions as the plug-in's formatter takes them.
DIRECTIVE = re.compile(r"%[-+ #0]*(?:\*|\d+)?(?:\.(?:\*|\d+))?(?:hh|h|ll|l|I64|z)?[diouxXcsp%]")
CLASS_NAMES = {0x80: "Button", 0x81: "Edit", 0x82: "Static", 0x83: "ListBox", 0x84: "ScrollBar",
               0x85: "ComboBox"}


def directives(text):
    return [d for d in DIRECTIVE.findall(text) if d != "%%"]


def accelerators(text):
    """The characters marked with a single "&" ("&&" is a literal ampersand); None at a dangling
    "&"."""
    keys = []
    i = 0
    while i < len(text):
        if text[i] == "&":
            if i + 1 >= len(text):
                return None
            if text[i + 1] != "&":
                keys.append(text[i + 1].lower())
            i += 2
        else:
            i += 1
    return keys


def compare_texts(what, original, translated):
    """Differences between one text and its translation (a list of messages)."""
    problems = []
    if directives(original) != directives(translated):
        problems.append("%s: directives %s, expected %s" % (what, directives(translated),
                                                             directives(original)))
    keys, original_keys = accelerators(translated), accelerators(original)
    if keys is None:
        problems.append("%s: ends in a lone '&'" % what)
    elif len(keys) > 1:
        problems.append("%s: more than one accelerator (%s)" % (what, "".join(keys)))
    elif original_keys is not None and bool(keys) != bool(original_keys):
        problems.append("%s: %s accelerator" % (what, "an extra" if keys else "no"))
    elif keys and not keys[0].isalnum():
        problems.append("%s: the accelerator %r is not a letter or digit" % (what, keys[0]))
    return problems


def read_sz_or_ord(data, pos):
    """(value, next position) of a sz_Or_Ord field: 0, 0xFFFF + ordinal, or a UTF-16 string."""
    first = struct.unpack_from("<H", data, pos)[0]
    if first == 0:
        return "", pos + 2
    if first == 0xFFFF:
        return struct.unpack_from("<H", data, pos + 2)[0], pos + 4
    end = pos
    while struct.unpack_from("<H", data, end)[0] != 0:
        end += 2
    return data[pos:end].decode("utf-16-le"), end + 2


def parse_dialog(data):
    """{"caption", "controls": [(id, class, text)]} of a DLGTEMPLATEEX."""
    version, signature = struct.unpack_from("<HH", data, 0)
    if version != 1 or signature != 0xFFFF:
        raise pe.PeError("a dialog is not a DIALOGEX template")
    style = struct.unpack_from("<I", data, 12)[0]
    count = struct.unpack_from("<H", data, 16)[0]
    pos = 26
    _, pos = read_sz_or_ord(data, pos)  # menu
    _, pos = read_sz_or_ord(data, pos)  # class
    caption, pos = read_sz_or_ord(data, pos)
    if style & DS_SETFONT:
        pos += 6
        _, pos = read_sz_or_ord(data, pos)
    controls = []
    for _ in range(count):
        pos = pe.align4(pos)
        control_id = struct.unpack_from("<I", data, pos + 20)[0]
        cls, pos = read_sz_or_ord(data, pos + 24)
        text, pos = read_sz_or_ord(data, pos)
        extra = struct.unpack_from("<H", data, pos)[0]
        pos += 2 + extra
        controls.append((control_id, CLASS_NAMES.get(cls, cls), text))
    return {"caption": caption, "controls": controls}


def read_dialogs(image):
    return {name: parse_dialog(data) for (name, _), data in image.resources(RT_DIALOG).items()}


def compare_dialogs(original, translated):
    problems = []
    for dialog_id in sorted(set(original) | set(translated), key=str):
        if dialog_id not in translated:
            problems.append("dialog %s is missing" % dialog_id)
            continue
        if dialog_id not in original:
            problems.append("dialog %s is not in the plug-in" % dialog_id)
            continue
        mine, theirs = translated[dialog_id]["controls"], original[dialog_id]["controls"]
        if [(i, c) for i, c, _ in mine] != [(i, c) for i, c, _ in theirs]:
            problems.append("dialog %s: controls %s, expected %s" % (
                dialog_id, [(i, c) for i, c, _ in mine], [(i, c) for i, c, _ in theirs]))
            continue
        if bool(translated[dialog_id]["caption"]) != bool(original[dialog_id]["caption"]):
            problems.append("dialog %s: caption %r" % (dialog_id, translated[dialog_id]["caption"]))
        used = {}
        for (control_id, _, text), (_, _, original_text) in zip(mine, theirs):
            what = "dialog %s control %d %r" % (dialog_id, control_id, text)
            problems += compare_texts(what, original_text, text)
            for key in accelerators(text) or []:
                if key in used:
                    problems.append("%s: accelerator %r is also on %r" % (what, key, used[key]))
                used[key] = text
    return problems


def compare_strings(original, translated, ascii_only):
    problems = []
    for string_id in sorted(set(original) | set(translated)):
        if string_id not in translated:
            problems.append("string %d is missing" % string_id)
        elif string_id not in original:
            problems.append("string %d is not in the plug-in" % string_id)
        else:
            text = translated[string_id]
            problems += compare_texts("string %d %r" % (string_id, text), original[string_id], text)
            if ascii_only and not text.isascii():
                problems.append("string %d %r is not ASCII" % (string_id, text))
    return problems


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--script", help="the library's resource script, to compare its strings")
    parser.add_argument("-I", dest="include_dirs", action="append", default=[])
    parser.add_argument("plugin")
    parser.add_argument("library")
    args = parser.parse_args(argv)
    try:
        with open(args.plugin, "rb") as f:
            plugin = pe.PeImage(f.read())
        with open(args.library, "rb") as f:
            library = pe.PeImage(f.read())
        original = {i: t for i, (t, _) in pe.read_string_table(plugin).items()}
        strings = pe.read_string_table(library)
        translated = {i: t for i, (t, _) in strings.items()}
        languages = {language for _, language in strings.values()}
        problems = compare_strings(original, translated, ascii_only=0x411 not in languages)
        dialogs = read_dialogs(library)
        problems += compare_dialogs(read_dialogs(plugin), dialogs)
        if args.script:
            script = rc2cpp.parse_rc(args.script, args.include_dirs)
            for string_id, entry in sorted(script.strings.items()):
                if translated.get(string_id) != entry.text:
                    problems.append("string %d differs from the script" % string_id)
    except (OSError, pe.PeError, rc2cpp.RcError, struct.error) as e:
        print("check_lang_resources: cannot check %s: %s" % (args.library, e), file=sys.stderr)
        return 2
    summary = "%s: %d strings and %d dialogs checked against %s" % (
        args.library, len(translated), len(dialogs), args.plugin)
    return pe.report("check_lang_resources", summary, problems,
                     "every string and dialog is there, directives and accelerators match")


if __name__ == "__main__":
    sys.exit(main())
