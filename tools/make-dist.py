#!/usr/bin/env python3
"""Builds the release package dist/Mirvane-<version>.zip from the Windows build.

    make-dist.py [--build build/win] [--out dist]

The ZIP unpacks into Becky!'s program folder (the layout is PACKAGE_LAYOUT below): the
stripped plug-in and its English resource library under PlugIns/, the documents under
Mirvane/. The documents are kept in docs/package/ as UTF-8 with LF line ends; the package
carries them with CR LF, the Japanese ones in code page 932 and the English ones in ASCII, as
a Notepad of Becky!'s era opens them. "@VERSION@" in a document becomes the version. Entries
carry the time of the version resource's last change (or SOURCE_DATE_EPOCH), so two runs on
the same tree give the same archive. Prints the path of the archive.
"""

import argparse
import os
import struct
import subprocess
import sys
import tempfile
import time
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
TOP = os.path.dirname(HERE)
sys.path.insert(0, HERE)
import rc2cpp  # noqa: E402

STRIP = "i686-w64-mingw32-strip"

# Archive name -> (source, kind): "dll" is stripped, "copy" taken as it is, "cp932" and
# "ascii" are documents converted as described above.
PACKAGE_LAYOUT = {
    "PlugIns/Mirvane.dll": ("@BUILD@/bin/Mirvane.dll", "dll"),
    "PlugIns/Mirvane/1033/Resource.dll": ("@BUILD@/bin/Mirvane/1033/Resource.dll", "dll"),
    "PlugIns/Mirvane/README-bsfilter.txt": ("docs/package/README-bsfilter.txt", "cp932"),
    "Mirvane/NOTE.txt": ("docs/package/NOTE.txt", "cp932"),
    "Mirvane/Readme-ja.txt": ("docs/package/Readme-ja.txt", "cp932"),
    "Mirvane/Readme-en.txt": ("docs/package/Readme-en.txt", "ascii"),
    "Mirvane/LICENSE.txt": ("LICENSE", "ascii"),
    "Mirvane/THIRD-PARTY.txt": ("docs/package/THIRD-PARTY.txt", "ascii"),
}


class DistError(Exception):
    pass


def version():
    script = rc2cpp.parse_rc(os.path.join(TOP, "resources", "Mirvane.rc"),
                             [os.path.join(TOP, "resources")])
    if script.version is None:
        raise DistError("resources/Mirvane.rc has no version resource")
    return ".".join(str(n) for n in script.version.file_version)


def document(path, encoding, version_text):
    """The document's bytes as packaged: CR LF line ends, in the given encoding."""
    with open(path, encoding="utf-8") as f:
        text = f.read()
    if "\r" in text:
        raise DistError("%s: keep the source with LF line ends" % path)
    text = text.replace("@VERSION@", version_text).replace("\n", "\r\n")
    try:
        return text.encode(encoding)
    except UnicodeEncodeError as e:
        raise DistError("%s: %s cannot hold %r" % (path, encoding, text[e.start:e.end]))


def stripped(path):
    if not os.path.isfile(path):
        raise DistError("%s is missing: build the Windows tree first" % path)
    with open(path, "rb") as f:
        header = f.read(4096)
    pe = struct.unpack_from("<I", header, 0x3C)[0]
    linked = struct.unpack_from("<I", header, pe + 8)[0]
    # strip stamps the PE header with the current time unless SOURCE_DATE_EPOCH says otherwise;
    # the stripped DLL keeps the linker's time stamp, so the same build packs the same bytes.
    env = dict(os.environ, SOURCE_DATE_EPOCH=str(linked))
    with tempfile.TemporaryDirectory() as work:
        out = os.path.join(work, os.path.basename(path))
        subprocess.run([STRIP, "--strip-all", "-o", out, path], check=True, env=env)
        with open(out, "rb") as f:
            return f.read()


def build(build_dir, out_dir):
    version_text = version()
    stamp = int(os.environ.get("SOURCE_DATE_EPOCH") or
                os.path.getmtime(os.path.join(TOP, "resources", "Mirvane.rc")))
    date_time = time.gmtime(max(stamp, 315532800))[:6]  # ZIP times start in 1980
    os.makedirs(out_dir, exist_ok=True)
    target = os.path.join(out_dir, "Mirvane-%s.zip" % version_text)
    partial = target + ".part"
    with zipfile.ZipFile(partial, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as archive:
        for name, (source, kind) in PACKAGE_LAYOUT.items():
            source = os.path.join(TOP, source.replace("@BUILD@", build_dir))
            if kind == "dll":
                data = stripped(source)
            else:
                data = document(source, kind, version_text)
            info = zipfile.ZipInfo(name, date_time)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = 0o644 << 16
            archive.writestr(info, data)
    os.replace(partial, target)
    return target


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default=os.path.join("build", "win"))
    parser.add_argument("--out", default=os.path.join(TOP, "dist"))
    args = parser.parse_args(argv)
    try:
        print(build(args.build, args.out))
    except (DistError, rc2cpp.RcError, OSError, subprocess.CalledProcessError) as e:
        print("make-dist: %s" % e, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
