#!/usr/bin/env python3
"""Tests of tools/rc2cpp.py: the resource-script subset it reads, the C++ it writes, and the
faults it must refuse with the file and line named.

    python3 -m unittest discover -s tests/tools -p '*_test.py'
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import textwrap
import unittest

TOP = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(TOP, "tools"))
import rc2cpp  # noqa: E402


def decode_c_literal(literal):
    """The bytes of a C string literal as rc2cpp writes them (octal and simple escapes)."""
    assert literal[0] == "\"" and literal[-1] == "\""
    out = bytearray()
    body = literal[1:-1]
    i = 0
    while i < len(body):
        c = body[i]
        if c != "\\":
            out.append(ord(c))
            i += 1
            continue
        m = re.match(r"[0-7]{1,3}", body[i + 1:])
        if m:
            out.append(int(m.group(0), 8))
            i += 1 + len(m.group(0))
        else:
            out.append(ord(body[i + 1]))
            i += 2
    return bytes(out)


class ScriptTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="rc2cpp-test-")
        self.addCleanup(shutil.rmtree, self.folder)

    def write(self, name, text, encoding="utf-8"):
        path = os.path.join(self.folder, name)
        with open(path, "wb") as f:
            f.write(textwrap.dedent(text).encode(encoding))
        return path

    def parse(self, text, encoding="utf-8"):
        return rc2cpp.parse_rc(self.write("test.rc", text, encoding))

    def strings(self, text):
        return {id: e.text for id, e in self.parse(text).strings.items()}

    def assertFault(self, text, line, fragment):
        with self.assertRaises(rc2cpp.RcError) as caught:
            self.parse(text)
        self.assertIn("test.rc:%d:" % line, str(caught.exception))
        self.assertIn(fragment, str(caught.exception))


class StringTextTest(ScriptTest):
    def test_escapes_and_doubled_quotes_give_the_exact_text(self):
        got = self.strings(r'''
            STRINGTABLE
            BEGIN
                1, "line\r\nnext"
                2, "say ""hi"" \"there\""
                3, "tab\there, back\\slash, \x41\101, \?"
                4, "%d / %d を処理中..."
                5  L"wide prefix, no comma"
                6, "○"
            END
            ''')
        self.assertEqual(got[1], "line\r\nnext")
        self.assertEqual(got[2], "say \"hi\" \"there\"")
        self.assertEqual(got[3], "tab\there, back\\slash, AA, ?")
        self.assertEqual(got[4], "%d / %d を処理中...")
        self.assertEqual(got[5], "wide prefix, no comma")
        self.assertEqual(got[6], "○")

    def test_c_literal_round_trips_cp932_including_trail_bytes_that_look_like_ascii(self):
        # "ソ" is 0x83 0x5C and "表" is 0x95 0x5C in CP932: the trail byte is a backslash.
        for text in ["ソ表示", "○ \"quoted\" ?? \\", "a\r\n\tb", "%s からバックアップ", "ー～"]:
            literal = rc2cpp.c_literal(text)
            self.assertTrue(all(0x20 <= ord(c) < 0x7F for c in literal), literal)
            self.assertEqual(decode_c_literal(literal), text.encode("cp932"))
            self.assertNotIn("??", literal)  # no trigraphs for older compilers

    def test_comments_do_not_hide_or_cut_strings(self):
        got = self.strings('''
            // STRINGTABLE in a comment is no statement
            /* a block comment
               STRINGTABLE BEGIN 9, "nine" END
            */
            STRINGTABLE  // the real one
            BEGIN
                1, "http://example.org/ // not a comment"  /* after */ 2, "/* not a comment */"
            END
            ''')
        self.assertEqual(got, {1: "http://example.org/ // not a comment",
                               2: "/* not a comment */"})


class PreprocessorTest(ScriptTest):
    def test_ids_from_included_headers_with_expressions_and_conditions(self):
        self.write("ids.h", '''
            #pragma once
            #define IDS_BASE 2000  // base of the table
            #define IDS_FIRST (IDS_BASE + 1)
            #define IDS_SECOND IDS_FIRST+1 /* chained */
            #ifndef IDC_STATIC
            #define IDC_STATIC (-1)
            #endif
            #ifdef RC_INVOKED
            #define IDS_RC 2010
            #else
            #define IDS_RC 9999
            #endif
            #if defined(NOT_DEFINED) || 0
            #error this part is skipped
            #elif !defined(IDS_BASE)
            #error this part is skipped too
            #else
            #define IDS_ELSE 2020
            #endif
            ''')
        got = self.parse('''
            #include <windows.h>
            #include "ids.h"
            #include "ids.h"
            STRINGTABLE
            BEGIN
                IDS_FIRST, "one"
                IDS_SECOND, "two"
                IDS_RC, "rc"
                IDS_ELSE, "else"
                0x7D0 | 7, "hex or"
            END
            ''')
        self.assertEqual(sorted(got.strings), [2001, 2002, 2007, 2010, 2020])
        self.assertEqual(got.strings[2001].name, "IDS_FIRST")
        self.assertIsNone(got.strings[2007].name)

    def test_code_page_932_script(self):
        got = self.parse('''
            #pragma code_page(932)
            STRINGTABLE
            BEGIN
                1, "ソフトウェア表示"
            END
            ''', encoding="cp932")
        self.assertEqual(got.strings[1].text, "ソフトウェア表示")

    def test_preprocessor_faults_name_the_line(self):
        self.assertFault('#include "missing.h"\n', 1, "cannot find")
        self.assertFault('\n#pragma code_page(1252)\n', 2, "code page 1252")
        self.assertFault('\n\n#pragma pack(1)\n', 3, "unknown #pragma")
        self.assertFault('#define F(x) x\n', 1, "function-like")
        self.assertFault('#define A 1\n#define A 2\n', 2, "defined again")
        self.assertFault('\n#error stop here\n', 2, "#error stop here")
        self.assertFault('#bogus\n', 1, "invalid preprocessing directive")
        # What the preprocessor keeps: #line renumbers the lines a fault is named by.
        self.assertFault('#line 20\n\nx = 1\n', 21, "unexpected character")
        self.assertFault('#if 1\n', 1, "#if without #endif")
        self.assertFault('#endif\n', 1, "without #if")
        self.assertFault('STRINGTABLE\nBEGIN\n/* open\n', 3, "unterminated /* comment")


class StatementTest(ScriptTest):
    def test_dialogs_and_file_resources_are_skipped(self):
        got = self.parse('''
            #define IDD_X 110
            LANGUAGE LANG_JAPANESE, SUBLANG_DEFAULT
            IDD_X DIALOGEX 0, 0, 219, 41
            STYLE DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU
            CAPTION "進捗状況"
            FONT 9, "MS UI Gothic", 0, 0, 0x1
            BEGIN
                PUSHBUTTON "キャンセル", IDCANCEL, 160, 20, 52, 16
                CONTROL "", 1501, "msctls_progress32", PBS_SMOOTH | WS_BORDER, 4, 4, 208, 12
                LTEXT "", 1502, 4, 22, 148, 12, SS_CENTERIMAGE | NOT WS_GROUP
            END
            501 ICON "folder.ico"
            510 BITMAP DISCARDABLE "up.bmp"
            1 RT_MANIFEST "Mirvane.manifest"
            STRINGTABLE DISCARDABLE
            LANGUAGE LANG_JAPANESE, SUBLANG_DEFAULT
            BEGIN
                2001, "after the dialog"
            END
            ''')
        self.assertEqual({id: e.text for id, e in got.strings.items()}, {2001: "after the dialog"})

    def test_version_block(self):
        got = self.parse('''
            1 VERSIONINFO
            FILEVERSION 1, 2, 3, 4
            PRODUCTVERSION 1, 2
            FILEFLAGSMASK VS_FFI_FILEFLAGSMASK
            FILEFLAGS 0x0L
            FILEOS VOS_NT_WINDOWS32
            FILETYPE VFT_DLL
            FILESUBTYPE VFT2_UNKNOWN
            {
                BLOCK "StringFileInfo"
                {
                    BLOCK "041104B0"
                    {
                        VALUE "ProductName", "Mirvane"
                        VALUE "Comments", "プラグインです"
                    }
                }
                BLOCK "VarFileInfo"
                {
                    VALUE "Translation", 0x411, 1200
                }
            }
            ''')
        v = got.version
        self.assertEqual(v.file_version, (1, 2, 3, 4))
        self.assertEqual(v.product_version, (1, 2, 0, 0))
        self.assertEqual(v.translations, [(0x411, 1200)])
        self.assertEqual([(k, t) for k, t, _ in v.string_blocks[0][1]],
                         [("ProductName", "Mirvane"), ("Comments", "プラグインです")])

    def test_statement_faults_name_the_line(self):
        table = 'STRINGTABLE\nBEGIN\n%s\nEND\n'
        self.assertFault(table % '1, "bad \\q escape"', 3, "unknown escape")
        self.assertFault(table % '1, "unterminated', 3, "unterminated string")
        self.assertFault(table % '1, "wave dash 〜"', 3, "code page 932")
        self.assertFault(table % '1, "euro €"', 3, "code page 932")
        self.assertFault(table % '1, "\\x80"', 3, "outside 0x01-0x7F")
        self.assertFault(table % '1, "a"\n1, "b"', 4, "defined twice")
        self.assertFault(table % 'IDS_UNKNOWN, "a"', 3, "IDS_UNKNOWN")
        self.assertFault(table % '1, ""', 3, "empty")
        self.assertFault(table % '1, "a" "b"', 3, "one string per id")
        self.assertFault(table % '70000, "a"', 3, "outside 0-65535")
        self.assertFault(table % '1, 2', 3, "string expected")
        self.assertFault(table % '1, "%s"' % ("あ" * 4096), 3, "at most 8191")
        self.assertFault('STRINGTABLE\nBEGIN\n1, "a"\n', 3, "END of the STRINGTABLE")
        self.assertFault('\n1 MENU\nBEGIN\nEND\n', 2, "unsupported resource statement")
        self.assertFault('\nIDD_X DIALOGEX 0, 0, 1, 1\nBEGIN\n', 3, "END of the DIALOGEX")
        self.assertFault('x = 1\n', 1, "unexpected character '='")
        version = '1 VERSIONINFO\nFILEVERSION 0,0,0,1\nBEGIN\n%s\nEND\n'
        self.assertFault(version % 'BLOCK "Other"\nBEGIN\nEND', 4, "only the blocks")
        self.assertFault(version % 'BLOCK "StringFileInfo"\nBEGIN\nBLOCK "0411"\nBEGIN\nEND\nEND',
                         6, "eight hex digits")
        self.assertFault(version % 'BLOCK "VarFileInfo"\nBEGIN\nVALUE "Translation", 0x411\nEND',
                         6, "pairs")
        self.assertFault(version % ('BLOCK "StringFileInfo"\nBEGIN\nBLOCK "040904b0"\nBEGIN\n'
                                    'VALUE "ProductName", "x"\nEND\nEND\nBLOCK "VarFileInfo"\n'
                                    'BEGIN\nVALUE "Translation", 0x411, 1200\nEND'),
                         1, "does not match the first Translation")
        self.assertFault('1 VERSIONINFO\nFILEVERSION VS_X\nBEGIN\nEND\n', 2, "VS_X")


class OutputTest(ScriptTest):
    SCRIPT = r'''
        #define IDS_A 2001
        1 VERSIONINFO
        FILEVERSION 0, 0, 0, 49
        BEGIN
            BLOCK "StringFileInfo"
            BEGIN
                BLOCK "041104b0"
                BEGIN
                    VALUE "ProductName", "Mirvane"
                    VALUE "Comments", "bsfilter を利用する"
                END
            END
            BLOCK "VarFileInfo"
            BEGIN
                VALUE "Translation", 0x411, 1200
            END
        END
        STRINGTABLE
        BEGIN
            2288, "差出人"
            IDS_A, "bsfilter (Mirvane)"
            2136, "bsfilter が利用できません。\r\n設定を確認してください。"
            2104, "ソ表\\?"
        END
        '''

    def test_main_writes_sorted_exported_tables_that_compile_to_the_exact_bytes(self):
        compiler = shutil.which("c++") or shutil.which("g++") or shutil.which("clang++")
        if compiler is None:
            self.skipTest("no C++ compiler")
        rc = self.write("test.rc", self.SCRIPT)
        cpp = os.path.join(self.folder, "out", "tables.cpp")
        self.assertEqual(rc2cpp.main([rc, cpp]), 0)
        with open(cpp, encoding="ascii") as f:
            text = f.read()
        ids = [int(m) for m in re.findall(r"^    \{(\d+), ", text, re.M)]
        self.assertEqual(ids, [2001, 2104, 2136, 2288])
        dump = os.path.join(self.folder, "dump.cpp")
        with open(dump, "w") as f:
            f.write(textwrap.dedent('''
                #include <cstdio>
                #include "%s"
                extern "C" {
                extern const PlatformStringEntry PlatformStringTable[];
                extern const unsigned PlatformStringTableSize;
                extern const PlatformVersionEntry PlatformVersionResource[];
                extern const unsigned PlatformVersionLanguage, PlatformVersionCodePage;
                extern const unsigned PlatformFileVersion[4];
                }
                int main() {
                    for (unsigned i = 0; i < PlatformStringTableSize; ++i)
                        std::printf("%%u=%%s\\n", PlatformStringTable[i].id, PlatformStringTable[i].text);
                    for (const PlatformVersionEntry* e = PlatformVersionResource; e->key; ++e)
                        std::printf("%%s=%%s\\n", e->key, e->value);
                    std::printf("%%04x/%%u/%%u.%%u.%%u.%%u\\n", PlatformVersionLanguage,
                                PlatformVersionCodePage, PlatformFileVersion[0], PlatformFileVersion[1],
                                PlatformFileVersion[2], PlatformFileVersion[3]);
                }
                ''') % rc2cpp.default_header())
        exe = os.path.join(self.folder, "dump")
        subprocess.run([compiler, "-std=c++17", "-Wall", "-Wextra", "-Werror", "-fvisibility=hidden",
                        "-o", exe, dump, cpp], check=True)
        out = subprocess.run([exe], check=True, stdout=subprocess.PIPE).stdout
        expected = ("2001=bsfilter (Mirvane)\n"
                    "2104=ソ表\\?\n"
                    "2136=bsfilter が利用できません。\r\n設定を確認してください。\n"
                    "2288=差出人\n"
                    "ProductName=Mirvane\n"
                    "Comments=bsfilter を利用する\n"
                    "0411/1200/0.0.0.49\n").encode("cp932")
        self.assertEqual(out, expected)

    def test_a_fault_exits_non_zero_names_the_line_and_leaves_no_output(self):
        rc = self.write("bad.rc", 'STRINGTABLE\nBEGIN\n1, "ok"\n2, "wave 〜"\nEND\n')
        cpp = os.path.join(self.folder, "tables.cpp")
        with open(cpp, "w") as f:
            f.write("// stale table of an earlier run\n")
        result = subprocess.run([sys.executable, os.path.join(TOP, "tools", "rc2cpp.py"), rc, cpp],
                                stderr=subprocess.PIPE, universal_newlines=True)
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("bad.rc:4:", result.stderr)
        self.assertIn("code page 932", result.stderr)
        self.assertFalse(os.path.exists(cpp))

    def test_empty_script_still_gives_valid_tables(self):
        text = rc2cpp.generate_cpp(self.parse("// nothing\n"), "empty.rc", "h.h")
        self.assertIn("PlatformStringTableSize = 0;", text)
        self.assertIn("{0, nullptr}", text)
        self.assertIn("PlatformFileVersion[4] = {0, 0, 0, 0};", text)


class PluginScriptTest(unittest.TestCase):
    """The plug-in's own script: every id of the table lies in 2001-2288 and has a name."""

    def test_plugin_script_parses(self):
        got = rc2cpp.parse_rc(os.path.join(TOP, "resources", "Mirvane.rc"))
        self.assertTrue(got.strings)
        for id, entry in got.strings.items():
            self.assertTrue(2001 <= id <= 2288, id)
            self.assertTrue(entry.name and entry.name.startswith("IDS_"), id)
        self.assertEqual(got.version.file_version, (0, 0, 0, 49))


if __name__ == "__main__":
    unittest.main()
