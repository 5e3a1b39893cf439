#!/usr/bin/env python3
"""Turns the string table and the version strings of a Windows resource script into the C++
data of the POSIX build (platform/posix/resource_tables.h documents the symbols).

    rc2cpp.py [-I DIR]... [-c CODEPAGE] INPUT.rc OUTPUT.cpp      (OUTPUT "-" writes to stdout)

The Windows build compiles the same script with the resource compiler, so both builds show the
same texts. The C preprocessor (cpp) does the preprocessing: #include "file" (followed; #include <file>
names a system header, read as empty), #if / #ifdef / #ifndef / #elif / #else / #endif,
#define / #undef, // and /* */ comments. Then the statements of the subset the plug-in uses
are read:
  - #pragma code_page(65001 | 932) (the script's own, the first in its file, gives the code
    page of every file), #pragma once; object-like #defines (their names stay in the output);
  - STRINGTABLE with numeric or #defined ids and one string each;
  - VERSIONINFO with its fixed statements and nested BLOCK / VALUE;
  - LANGUAGE; DIALOG / DIALOGEX blocks and one-line file resources (ICON, BITMAP, ...) are
    skipped.
Strings take C escapes (\\r, \\n, \\t, \\\\, \\", octal and hex up to 0x7F) and doubled quotes.
Every string must be representable in code page 932, the ANSI code page the plug-in reads its
texts in. Anything else stops the tool with a message naming the file and line, and a non-zero
exit status; no output is written then.

The module is also imported by tools/check_dll_resources.py, which compares a built DLL with the
script (parse_rc).
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile

ANSI_CODEPAGE = "cp932"
# LoadResString reads a text into an 8192-byte buffer (NUL included).
MAX_TEXT_BYTES = 8191

CODE_PAGES = {65001: "utf-8", 932: "cp932"}
MEMORY_FLAGS = {"DISCARDABLE", "PRELOAD", "LOADONCALL", "MOVEABLE", "FIXED", "PURE", "IMPURE",
                "SHARED", "NONSHARED"}
FIXED_INFO = {"FILEVERSION", "PRODUCTVERSION", "FILEFLAGSMASK", "FILEFLAGS", "FILEOS",
              "FILETYPE", "FILESUBTYPE"}
PREDEFINED = {"RC_INVOKED": "1", "_WIN32": "1"}


def to_ansi(text, where=None):
    """text in code page 932. A character the code page lacks, or one that would only map one
    way (U+301C WAVE DASH reads back as U+FF5E), is a fault."""
    for c in text:
        try:
            if c.encode(ANSI_CODEPAGE).decode(ANSI_CODEPAGE) == c:
                continue
        except UnicodeError:
            pass
        raise RcError(where, "%r (U+%04X) cannot be written in code page 932" % (c, ord(c)))
    return text.encode(ANSI_CODEPAGE)


class RcError(Exception):
    """A fault in the script, reported as "file:line: message"."""

    def __init__(self, where, message):
        self.where = where
        self.message = message
        super().__init__("%s: %s" % (where, message) if where else message)


class Where:
    def __init__(self, path, line):
        self.path = path
        self.line = line

    def __str__(self):
        return "%s:%d" % (self.path, self.line)


class Token:
    __slots__ = ("kind", "value", "where")

    def __init__(self, kind, value, where):
        self.kind = kind    # "id", "num", "str", "op"
        self.value = value  # name, int, decoded text, operator
        self.where = where

    def is_word(self, *words):
        return self.kind == "id" and self.value.upper() in words

    def describe(self):
        if self.kind == "str":
            return "string \"%s\"" % self.value[:20]
        return "'%s'" % self.value


class Unknown:
    """The value of an expression that uses a name defined only in a system header."""

    def __init__(self, name):
        self.name = name


# ---------------------------------------------------------------------------------------------
# Lexing

_TOKEN = re.compile(r"""
    (?P<space>[ \t\f\v\r]+)
  | (?P<linecomment>//.*)
  | (?P<blockcomment>/\*)
  | (?P<string>L?")
  | (?P<num>0[xX][0-9A-Fa-f]+[uUlL]*|[0-9]+[uUlL]*)
  | (?P<id>[A-Za-z_][A-Za-z0-9_]*)
  | (?P<op><<|>>|<=|>=|==|!=|&&|\|\||[-+*/%&|^~!(),{}<>])
""", re.VERBOSE)

_SIMPLE_ESCAPES = {"r": "\r", "n": "\n", "t": "\t", "a": "\a", "b": "\b", "f": "\f", "v": "\v",
                   "\\": "\\", "\"": "\"", "'": "'", "?": "?"}


def _parse_number(text):
    digits = text.rstrip("uUlL")
    return int(digits, 16) if digits[:2] in ("0x", "0X") else int(digits, 10)


def _read_string(line, pos, where):
    """Reads a string literal whose opening quote is at line[pos]; returns (text, end)."""
    out = []
    i = pos + 1
    n = len(line)
    while True:
        if i >= n:
            raise RcError(where, "unterminated string")
        c = line[i]
        if c == "\"":
            if i + 1 < n and line[i + 1] == "\"":  # "" stands for one quote
                out.append("\"")
                i += 2
                continue
            return "".join(out), i + 1
        if c != "\\":
            out.append(c)
            i += 1
            continue
        if i + 1 >= n:
            raise RcError(where, "backslash at the end of a line inside a string")
        e = line[i + 1]
        if e in _SIMPLE_ESCAPES:
            out.append(_SIMPLE_ESCAPES[e])
            i += 2
        elif e in "01234567":
            m = re.match(r"[0-7]{1,3}", line[i + 1:])
            value = int(m.group(0), 8)
            if value == 0:
                raise RcError(where, "a NUL character (\\0) inside a string is not supported")
            if value > 0x7F:
                raise RcError(where, "octal escape \\%s above 0x7F: write the character itself"
                              % m.group(0))
            out.append(chr(value))
            i += 1 + len(m.group(0))
        elif e in "xX":
            m = re.match(r"[0-9A-Fa-f]{1,2}", line[i + 2:])
            if not m:
                raise RcError(where, "\\x without hexadecimal digits")
            value = int(m.group(0), 16)
            if value == 0 or value > 0x7F:
                raise RcError(where, "hex escape \\x%s outside 0x01-0x7F: write the character "
                              "itself" % m.group(0))
            out.append(chr(value))
            i += 2 + len(m.group(0))
        else:
            raise RcError(where, "unknown escape \\%s in a string" % e)


_LINEMARKER = re.compile(r'#\s*(\d+)\s+"((?:[^"\\]|\\.)*)"')
_INCLUDE = re.compile(rb'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.MULTILINE)
_CODE_PAGE = re.compile(rb'^\s*#\s*pragma\s+code_page\s*\(\s*(\d+)\s*\)', re.MULTILINE)
# "file:line[:column]: [fatal ]error: message" of the preprocessor, and what it means here.
_CPP_ERROR = re.compile(r"^(.+?):(\d+)(?::\d+)?: (?:fatal )?error: (.*)$", re.MULTILINE)
_CPP_MESSAGES = [
    (re.compile(r"^(.+): No such file or directory$"), "cannot find the included file \"%s\""),
    (re.compile(r"^unterminated #(?:if|ifdef|ifndef|elif|else)"), "#if without #endif"),
    (re.compile(r"^unterminated comment$"), "unterminated /* comment"),
    (re.compile(r"^(?:unterminated literal|missing terminating . character)$"), "unterminated string"),
]


def _cpp_error(stderr):
    """The preprocessor's first error as an RcError."""
    m = _CPP_ERROR.search(stderr)
    if not m:
        return RcError(None, "the C preprocessor failed: %s" % stderr.strip())
    message = m.group(3)
    for pattern, text in _CPP_MESSAGES:
        hit = pattern.match(message)
        if hit:
            message = text % hit.groups() if hit.groups() else text
            break
    return RcError(Where(m.group(1), int(m.group(2))), message)


class _Lexer:
    """Tokenises a script after the C preprocessor has done its part.

    cpp runs in directives-only mode: it follows the #include files, keeps the lines of the
    taken #if branches and passes the #define, #undef and #pragma lines through, but expands no
    macro, so the statements keep the names they were written with (the string ids' comments
    in the output). System headers (#include <...>) are empty stand-ins: their names are only
    used where their values do not matter. The linemarkers give every token its file and line.
    """

    def __init__(self, include_dirs, code_page):
        self.include_dirs = list(include_dirs)
        self.code_page = code_page
        self._encoding(code_page, None)
        self.defines = {name: [Token("num", int(v), None)] for name, v in PREDEFINED.items()}
        self.define_text = dict(PREDEFINED)
        self.tokens = []

    @staticmethod
    def _encoding(code_page, where):
        if code_page not in CODE_PAGES:
            raise RcError(where, "code page %s is not supported (use 65001 or 932)" % code_page)
        return CODE_PAGES[code_page]

    def _system_headers(self, path):
        """The names of the <...> headers path includes, and its "..." files in turn."""
        names, seen, pending = set(), set(), [path]
        while pending:
            current = os.path.realpath(pending.pop())
            if current in seen:
                continue
            seen.add(current)
            try:
                with open(current, "rb") as f:
                    data = f.read()
            except OSError:
                continue  # the preprocessor reports it where it is included
            for kind, name in _INCLUDE.findall(data):
                name = name.decode("latin-1")
                if kind == b"<":
                    names.add(name)
                    continue
                for folder in [os.path.dirname(current)] + self.include_dirs:
                    candidate = os.path.join(folder, name)
                    if os.path.isfile(candidate):
                        pending.append(candidate)
                        break
        return names

    def _input_charset(self, path):
        # The script's own code page: the first #pragma code_page of its file (the
        # preprocessor reads every file in one character set and writes UTF-8).
        code_page = self.code_page
        try:
            with open(path, "rb") as f:
                m = _CODE_PAGE.search(f.read())
            if m and int(m.group(1)) in CODE_PAGES:
                code_page = int(m.group(1))
        except OSError:
            pass
        return CODE_PAGES[code_page]

    def run(self, path, display):
        cpp = shutil.which("cpp")
        if cpp is None:
            raise RcError(None, "the C preprocessor (cpp) is not installed")
        if not os.path.isfile(path):
            raise RcError(None, "cannot read %s" % display)
        with tempfile.TemporaryDirectory(prefix="rc2cpp-") as stubs:
            for name in self._system_headers(path):
                stub = os.path.join(stubs, name)
                os.makedirs(os.path.dirname(stub), exist_ok=True)
                open(stub, "w").close()
            command = [cpp, "-fdirectives-only", "-undef", "-nostdinc", "-x", "c",
                       "-finput-charset=" + self._input_charset(path), "-isystem", stubs]
            for name, value in PREDEFINED.items():
                command += ["-D", "%s=%s" % (name, value)]
            for folder in self.include_dirs:
                command += ["-I", folder]
            result = subprocess.run(command + [path], capture_output=True)
            stderr = result.stderr.decode("utf-8", "replace")
            if result.returncode != 0:
                raise _cpp_error(stderr)
            self._read(result.stdout, path, display, stubs)

    def _read(self, output, path, display, stubs):
        file = None   # the file the current line comes from; None for the preprocessor's own
        number = 0
        in_comment = False
        for raw in output.split(b"\n"):
            number += 1
            try:
                line = raw.decode("utf-8")
            except UnicodeDecodeError:
                raise RcError(Where(file or display, number), "the line is not valid text")
            if line.endswith("\r"):
                line = line[:-1]
            marker = _LINEMARKER.match(line)
            if marker and not in_comment:
                name = marker.group(2).replace("\\\\", "\\")
                number = int(marker.group(1)) - 1
                if name.startswith("<") or os.path.dirname(os.path.abspath(name)) == stubs:
                    file = None
                elif os.path.realpath(name) == os.path.realpath(path):
                    file = display
                else:
                    file = os.path.relpath(name)
                continue
            if file is None:
                continue
            where = Where(file, number)
            stripped = line.lstrip()
            if not in_comment and stripped.startswith("#"):
                self._directive(stripped[1:].strip(), where)
                continue
            in_comment = self._tokenise(line, where, in_comment)
        if in_comment:
            raise RcError(self.comment_where, "unterminated /* comment")

    def _tokenise(self, line, where, in_comment):
        pos = 0
        n = len(line)
        while pos < n:
            if in_comment:
                end = line.find("*/", pos)
                if end < 0:
                    return True
                in_comment = False
                pos = end + 2
                continue
            m = _TOKEN.match(line, pos)
            if not m:
                raise RcError(where, "unexpected character '%s'" % line[pos])
            kind = m.lastgroup
            if kind == "space":
                pos = m.end()
            elif kind == "linecomment":
                return False
            elif kind == "blockcomment":
                in_comment = True
                self.comment_where = where
                pos = m.end()
            elif kind == "string":
                text, pos = _read_string(line, m.end() - 1, where)
                to_ansi(text, where)
                self.tokens.append(Token("str", text, where))
            elif kind == "num":
                self.tokens.append(Token("num", _parse_number(m.group(0)), where))
                pos = m.end()
            else:
                self.tokens.append(Token(kind, m.group(0), where))
                pos = m.end()
        return in_comment

    def _directive(self, text, where):
        # What the preprocessor passes through: #define, #undef and #pragma.
        m = re.match(r"(\w+)\s*(.*)$", text)
        if not m:
            return
        name, rest = m.group(1), m.group(2).strip()
        if name == "pragma":
            cp = re.fullmatch(r"code_page\s*\(\s*(\w+)\s*\)", rest)
            if cp:
                self._encoding(int(cp.group(1)) if cp.group(1).isdigit() else cp.group(1), where)
            elif rest != "once":
                raise RcError(where, "unknown #pragma %s" % rest)
        elif name == "define":
            d = re.match(r"([A-Za-z_]\w*)(\(?)\s*(.*)$", rest)
            if not d:
                raise RcError(where, "cannot read the #define")
            if d.group(2):
                raise RcError(where, "function-like macros are not supported")
            sub = _Lexer.__new__(_Lexer)
            sub.tokens = []
            sub._tokenise(d.group(3), where, False)
            macro, body = d.group(1), " ".join(str(t.value) for t in sub.tokens)
            if macro in self.define_text and self.define_text[macro] != body:
                raise RcError(where, "%s is defined again with another value" % macro)
            self.defines[macro] = sub.tokens
            self.define_text[macro] = body
        elif name == "undef":
            self.defines.pop(rest, None)
            self.define_text.pop(rest, None)


# ---------------------------------------------------------------------------------------------
# Expressions (ids, versions, flags)

class _Expr:
    BINARY = [("||",), ("&&",), ("|",), ("^",), ("&",), ("==", "!="), ("<", ">", "<=", ">="),
              ("<<", ">>"), ("+", "-"), ("*", "/", "%")]

    def __init__(self, tokens, defines, pos=0, expanding=()):
        self.tokens = tokens
        self.pos = pos
        self.defines = defines
        self.expanding = expanding

    def at_end(self):
        return self.pos >= len(self.tokens)

    def peek(self):
        return self.tokens[self.pos] if self.pos < len(self.tokens) else None

    def parse(self, level=0):
        if level == len(self.BINARY):
            return self.unary()
        left = self.parse(level + 1)
        while True:
            t = self.peek()
            if t is None or t.kind != "op" or t.value not in self.BINARY[level]:
                return left
            self.pos += 1
            right = self.parse(level + 1)
            left = self.apply(t, left, right)

    def unary(self):
        t = self.peek()
        if t is None:
            last = self.tokens[-1].where if self.tokens else None
            raise RcError(last, "expression expected")
        if t.kind == "op" and t.value in ("-", "+", "~", "!"):
            self.pos += 1
            v = self.unary()
            if isinstance(v, Unknown):
                return v
            return {"-": -v, "+": v, "~": ~v, "!": int(not v)}[t.value]
        if t.kind == "op" and t.value == "(":
            self.pos += 1
            v = self.parse()
            close = self.peek()
            if close is None or close.value != ")":
                raise RcError(t.where, "missing ')'")
            self.pos += 1
            return v
        if t.kind == "num":
            self.pos += 1
            return t.value
        if t.kind == "id" and t.value.upper() not in ("BEGIN", "END", "NOT"):
            self.pos += 1
            if t.value in self.defines and t.value not in self.expanding:
                body = self.defines[t.value]
                if not body:
                    raise RcError(t.where, "%s is defined without a value" % t.value)
                sub = _Expr(body, self.defines, 0, self.expanding + (t.value,))
                v = sub.parse()
                if not sub.at_end():
                    raise RcError(t.where, "the value of %s is not an expression" % t.value)
                return v
            return Unknown(t.value)
        raise RcError(t.where, "expression expected, found %s" % t.describe())

    @staticmethod
    def apply(op, a, b):
        if isinstance(a, Unknown):
            return a
        if isinstance(b, Unknown):
            return b
        o = op.value
        if o in ("/", "%") and b == 0:
            raise RcError(op.where, "division by zero")
        return {"||": lambda: int(bool(a or b)), "&&": lambda: int(bool(a and b)),
                "|": lambda: a | b, "^": lambda: a ^ b, "&": lambda: a & b,
                "==": lambda: int(a == b), "!=": lambda: int(a != b), "<": lambda: int(a < b),
                ">": lambda: int(a > b), "<=": lambda: int(a <= b), ">=": lambda: int(a >= b),
                "<<": lambda: a << b, ">>": lambda: a >> b, "+": lambda: a + b,
                "-": lambda: a - b, "*": lambda: a * b, "/": lambda: int(a / b),
                "%": lambda: a % b}[o]()


# ---------------------------------------------------------------------------------------------
# Statements

class StringEntry:
    def __init__(self, id, text, name, where):
        self.id = id
        self.text = text    # Unicode
        self.name = name    # the #defined name the script used, or None
        self.where = where


class VersionInfo:
    def __init__(self, where):
        self.where = where
        self.file_version = None
        self.product_version = None
        self.string_blocks = []  # [(block name, [(key, value, where)])]
        self.translations = []   # [(language, code page)]


class Resources:
    def __init__(self):
        self.strings = {}  # id -> StringEntry
        self.version = None


class _Parser:
    def __init__(self, tokens, defines):
        self.tokens = tokens
        self.defines = defines
        self.pos = 0
        self.result = Resources()

    def peek(self, offset=0):
        i = self.pos + offset
        return self.tokens[i] if i < len(self.tokens) else None

    def next(self, what):
        t = self.peek()
        if t is None:
            last = self.tokens[-1].where if self.tokens else None
            raise RcError(last, "unexpected end of the script, %s expected" % what)
        self.pos += 1
        return t

    def expect_begin(self):
        t = self.next("BEGIN")
        if not (t.is_word("BEGIN") or t.value == "{"):
            raise RcError(t.where, "BEGIN expected, found %s" % t.describe())

    @staticmethod
    def is_end(t):
        return t is not None and (t.is_word("END") or (t.kind == "op" and t.value == "}"))

    @staticmethod
    def is_begin(t):
        return t is not None and (t.is_word("BEGIN") or (t.kind == "op" and t.value == "{"))

    def expression(self):
        start = self.peek()
        e = _Expr(self.tokens, self.defines, pos=self.pos)
        value = e.parse()
        self.pos = e.pos
        return value, start

    def known(self, value, start, what):
        if isinstance(value, Unknown):
            raise RcError(start.where, "%s uses %s, whose value is unknown here (define it in a "
                          "header included with quotes, or write the number)" % (what, value.name))
        return value

    def comma(self, required):
        t = self.peek()
        if t is not None and t.kind == "op" and t.value == ",":
            self.pos += 1
            return True
        if required:
            raise RcError((t or self.tokens[-1]).where, "',' expected")
        return False

    def parse(self):
        while self.peek() is not None:
            t = self.peek()
            if t.is_word("STRINGTABLE"):
                self.pos += 1
                self.stringtable()
            elif t.is_word("LANGUAGE"):
                self.pos += 1
                self.language()
            elif t.kind in ("id", "num"):
                self.resource()
            else:
                raise RcError(t.where, "resource statement expected, found %s" % t.describe())
        return self.result

    def language(self):
        self.expression()
        self.comma(True)
        self.expression()

    def resource(self):
        name = self.next("resource name")
        kind = self.next("resource type")
        if kind.is_word("VERSIONINFO"):
            self.versioninfo(name)
        elif kind.is_word("DIALOG", "DIALOGEX"):
            self.skip_block(kind)
        elif kind.kind in ("id", "num"):
            while self.peek() is not None and self.peek().kind == "id" and \
                    self.peek().value.upper() in MEMORY_FLAGS:
                self.pos += 1
            f = self.peek()
            if f is not None and f.kind == "str":
                self.pos += 1  # a resource read from a file: nothing for the POSIX side
            else:
                raise RcError(kind.where, "unsupported resource statement %s %s"
                              % (name.describe(), kind.describe()))
        else:
            raise RcError(kind.where, "resource type expected, found %s" % kind.describe())

    def skip_block(self, kind):
        while True:
            t = self.next("BEGIN of the %s" % kind.value)
            if self.is_begin(t):
                break
            if self.is_end(t):
                raise RcError(t.where, "END before BEGIN")
        depth = 1
        while depth:
            t = self.next("END of the %s that starts on line %d" % (kind.value, kind.where.line))
            if self.is_begin(t):
                depth += 1
            elif self.is_end(t):
                depth -= 1

    def stringtable(self):
        while not self.is_begin(self.peek()):
            t = self.next("BEGIN of the STRINGTABLE")
            if t.is_word("LANGUAGE"):
                self.language()
            elif t.is_word("CHARACTERISTICS", "VERSION"):
                self.expression()
            elif not (t.kind == "id" and t.value.upper() in MEMORY_FLAGS):
                raise RcError(t.where, "unexpected %s before the STRINGTABLE's BEGIN"
                              % t.describe())
        self.expect_begin()
        while True:
            t = self.peek()
            if t is None:
                self.next("END of the STRINGTABLE")
            if self.is_end(t):
                self.pos += 1
                return
            name = t.value if t.kind == "id" else None
            value, start = self.expression()
            id = self.known(value, start, "the string id")
            if not 0 <= id <= 0xFFFF:
                raise RcError(start.where, "string id %d is outside 0-65535" % id)
            self.comma(False)
            s = self.next("the string of id %d" % id)
            if s.kind != "str":
                raise RcError(s.where, "string expected for id %d, found %s" % (id, s.describe()))
            following = self.peek()
            if following is not None and following.kind == "str":
                raise RcError(following.where, "one string per id: adjacent strings are not "
                              "joined the same way by every resource compiler")
            if id in self.result.strings:
                raise RcError(start.where, "string id %d is defined twice (first on line %d)"
                              % (id, self.result.strings[id].where.line))
            if s.value == "":
                raise RcError(s.where, "string %d is empty: LoadString cannot tell it from a "
                              "missing one" % id)
            size = len(to_ansi(s.value, s.where))
            if size > MAX_TEXT_BYTES:
                raise RcError(s.where, "string %d is %d bytes in code page 932; at most %d fit"
                              % (id, size, MAX_TEXT_BYTES))
            self.result.strings[id] = StringEntry(id, s.value, name, start.where)

    def versioninfo(self, name):
        if self.result.version is not None:
            raise RcError(name.where, "a second VERSIONINFO")
        info = VersionInfo(name.where)
        while not self.is_begin(self.peek()):
            t = self.next("BEGIN of the VERSIONINFO")
            if not (t.kind == "id" and t.value.upper() in FIXED_INFO):
                raise RcError(t.where, "unknown VERSIONINFO statement %s" % t.describe())
            word = t.value.upper()
            if word in ("FILEVERSION", "PRODUCTVERSION"):
                parts = []
                while True:
                    value, start = self.expression()
                    value = self.known(value, start, word)
                    if not 0 <= value <= 0xFFFF:
                        raise RcError(start.where, "%s part %d is outside 0-65535" % (word, value))
                    parts.append(value)
                    if not self.comma(False):
                        break
                if len(parts) > 4:
                    raise RcError(t.where, "%s has more than four parts" % word)
                parts += [0] * (4 - len(parts))
                if word == "FILEVERSION":
                    info.file_version = tuple(parts)
                else:
                    info.product_version = tuple(parts)
            else:
                self.expression()
        self.expect_begin()
        while True:
            t = self.next("END of the VERSIONINFO")
            if self.is_end(t):
                break
            if not t.is_word("BLOCK"):
                raise RcError(t.where, "BLOCK expected in the VERSIONINFO, found %s"
                              % t.describe())
            block = self.next("block name")
            if block.kind != "str" or block.value not in ("StringFileInfo", "VarFileInfo"):
                raise RcError(block.where, "the VERSIONINFO holds only the blocks "
                              "\"StringFileInfo\" and \"VarFileInfo\"")
            if block.value == "StringFileInfo":
                self.string_file_info(info)
            else:
                self.var_file_info(info)
        self.result.version = info

    def string_file_info(self, info):
        self.expect_begin()
        while True:
            t = self.next("END of the StringFileInfo block")
            if self.is_end(t):
                return
            if not t.is_word("BLOCK"):
                raise RcError(t.where, "BLOCK expected in StringFileInfo, found %s"
                              % t.describe())
            name = self.next("string block name")
            if name.kind != "str" or not re.fullmatch(r"[0-9A-Fa-f]{8}", name.value):
                raise RcError(name.where, "a string block is named by language and code page "
                              "in eight hex digits, such as \"041104b0\"")
            entries = []
            self.expect_begin()
            while True:
                v = self.next("END of the string block")
                if self.is_end(v):
                    break
                if not v.is_word("VALUE"):
                    raise RcError(v.where, "VALUE expected, found %s" % v.describe())
                key = self.next("the key")
                if key.kind != "str" or key.value == "":
                    raise RcError(key.where, "the key of a VALUE is a non-empty string")
                self.comma(True)
                text = self.next("the value of \"%s\"" % key.value)
                if text.kind != "str":
                    raise RcError(text.where, "the value of \"%s\" must be one string"
                                  % key.value)
                nxt = self.peek()
                if nxt is not None and (nxt.kind == "str" or
                                        (nxt.kind == "op" and nxt.value == ",")):
                    raise RcError(nxt.where, "the value of \"%s\" must be one string" % key.value)
                if any(k == key.value for k, _, _ in entries):
                    raise RcError(key.where, "\"%s\" is given twice" % key.value)
                entries.append((key.value, text.value, key.where))
            info.string_blocks.append((name.value.lower(), entries))

    def var_file_info(self, info):
        self.expect_begin()
        while True:
            t = self.next("END of the VarFileInfo block")
            if self.is_end(t):
                return
            if not t.is_word("VALUE"):
                raise RcError(t.where, "VALUE expected in VarFileInfo, found %s" % t.describe())
            key = self.next("the key")
            if key.kind != "str" or key.value != "Translation":
                raise RcError(key.where, "VarFileInfo holds only \"Translation\"")
            numbers = []
            while self.comma(False):
                value, start = self.expression()
                numbers.append(self.known(value, start, "Translation"))
            if not numbers or len(numbers) % 2:
                raise RcError(key.where, "Translation takes pairs of language and code page")
            for i in range(0, len(numbers), 2):
                info.translations.append((numbers[i], numbers[i + 1]))


def parse_rc(path, include_dirs=(), code_page=65001):
    """Reads a resource script; returns Resources or raises RcError."""
    lexer = _Lexer(include_dirs, code_page)
    lexer.run(path, path)
    resources = _Parser(lexer.tokens, lexer.defines).parse()
    version = resources.version
    if version is not None:
        if version.file_version is None:
            raise RcError(version.where, "the VERSIONINFO has no FILEVERSION")
        if len(version.string_blocks) > 1:
            raise RcError(version.where, "only one string block is supported")
        if version.string_blocks:
            if not version.translations:
                raise RcError(version.where, "the VERSIONINFO has no Translation")
            language, code_page = version.translations[0]
            expected = "%04x%04x" % (language, code_page)
            if version.string_blocks[0][0] != expected:
                raise RcError(version.where, "the string block \"%s\" does not match the first "
                              "Translation (%s): VerQueryValue would not find it"
                              % (version.string_blocks[0][0], expected))
    return resources


# ---------------------------------------------------------------------------------------------
# Output

def c_literal(text):
    """A C string literal holding text in code page 932."""
    out = ["\""]
    for b in to_ansi(text):
        c = chr(b)
        if c in "\"\\?":
            out.append("\\" + c)
        elif 0x20 <= b < 0x7F:
            out.append(c)
        else:
            out.append("\\%03o" % b)  # octal: never runs on into a following digit
    out.append("\"")
    return "".join(out)


def generate_cpp(resources, source_name, header):
    lines = [
        "// Generated by tools/rc2cpp.py from %s: the string table and the version strings of"
        % source_name,
        "// the module, in code page 932. Do not edit; edit the resource script instead.",
        "#include \"%s\"" % header.replace("\\", "/"),
        "",
        "#if defined(__GNUC__)",
        "#define RC2CPP_EXPORT __attribute__((visibility(\"default\")))",
        "#else",
        "#define RC2CPP_EXPORT",
        "#endif",
        "",
        "extern \"C\" {",
        "RC2CPP_EXPORT extern const PlatformStringEntry PlatformStringTable[];",
        "RC2CPP_EXPORT extern const unsigned PlatformStringTableSize;",
        "RC2CPP_EXPORT extern const PlatformVersionEntry PlatformVersionResource[];",
        "RC2CPP_EXPORT extern const unsigned PlatformVersionLanguage;",
        "RC2CPP_EXPORT extern const unsigned PlatformVersionCodePage;",
        "RC2CPP_EXPORT extern const unsigned PlatformFileVersion[4];",
        "",
        "const PlatformStringEntry PlatformStringTable[] = {",
    ]
    for id in sorted(resources.strings):
        entry = resources.strings[id]
        comment = "  // %s" % entry.name if entry.name else ""
        lines.append("    {%d, %s},%s" % (id, c_literal(entry.text), comment))
    if not resources.strings:
        lines.append("    {0, nullptr},  // placeholder: the table is empty")
    lines += [
        "};",
        "const unsigned PlatformStringTableSize = %d;" % len(resources.strings),
        "",
        "const PlatformVersionEntry PlatformVersionResource[] = {",
    ]
    version = resources.version
    language = code_page = 0
    file_version = (0, 0, 0, 0)
    if version is not None:
        file_version = version.file_version
        if version.translations:
            language, code_page = version.translations[0]
        for block, entries in version.string_blocks:
            for key, value, _ in entries:
                lines.append("    {%s, %s}," % (c_literal(key), c_literal(value)))
    lines += [
        "    {nullptr, nullptr},",
        "};",
        "const unsigned PlatformVersionLanguage = 0x%04x;" % language,
        "const unsigned PlatformVersionCodePage = %d;" % code_page,
        "const unsigned PlatformFileVersion[4] = {%d, %d, %d, %d};" % tuple(file_version),
        "}  // extern \"C\"",
        "",
    ]
    return "\n".join(lines)


def default_header():
    here = os.path.dirname(os.path.abspath(__file__))
    return os.path.join(os.path.dirname(here), "platform", "posix", "resource_tables.h")


def write_atomically(path, text):
    folder = os.path.dirname(os.path.abspath(path))
    os.makedirs(folder, exist_ok=True)
    fd, temp = tempfile.mkstemp(dir=folder, prefix=".rc2cpp-")
    try:
        with os.fdopen(fd, "w", encoding="ascii", newline="\n") as f:
            f.write(text)
        os.replace(temp, path)
    except BaseException:
        if os.path.exists(temp):
            os.unlink(temp)
        raise


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("-I", dest="include_dirs", action="append", default=[],
                        help="folder searched for #include \"...\" files")
    parser.add_argument("-c", "--code-page", type=int, default=65001,
                        help="code page of the script before any #pragma code_page (65001)")
    parser.add_argument("--header", default=default_header(),
                        help="resource_tables.h to include in the output")
    parser.add_argument("input")
    parser.add_argument("output")
    args = parser.parse_args(argv)
    try:
        resources = parse_rc(args.input, args.include_dirs, args.code_page)
    except RcError as e:
        print("rc2cpp: error: %s" % e, file=sys.stderr)
        if args.output != "-" and os.path.exists(args.output):
            os.unlink(args.output)  # a stale table must not pass for a current one
        return 1
    text = generate_cpp(resources, os.path.basename(args.input), args.header)
    if args.output == "-":
        sys.stdout.write(text)
    else:
        write_atomically(args.output, text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
