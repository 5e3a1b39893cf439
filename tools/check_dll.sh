#!/usr/bin/env bash
# Checks the built product: a PE32 i386 DLL that exports exactly the sixteen host events by
# undecorated name, needs only system DLLs, loads on the Windows version its headers name (every
# imported function is in tools/windows-imports.txt with a version no newer than that floor),
# and carries the string table and version resource of resources/Mirvane.rc byte for byte.
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
dll="${1:-$top/build/win/bin/Mirvane.dll}"
fail() { echo "check_dll: $*" >&2; exit 1; }

file -b "$dll" | grep -q '^PE32 executable (DLL).*Intel 80386' || fail "not a PE32 i386 DLL: $(file -b "$dll")"

expected="BKC_OnBeforeFilter2 BKC_OnDragDrop BKC_OnEveryMinute BKC_OnExit BKC_OnFinishRetrieve BKC_OnKeyDispatch
BKC_OnMenuInit BKC_OnOpenCompose BKC_OnOpenFolder BKC_OnOpenMail BKC_OnOutgoing BKC_OnPlugInInfo BKC_OnPlugInSetup
BKC_OnRetrieve BKC_OnSend BKC_OnStart"
actual="$(i686-w64-mingw32-objdump -p "$dll" | awk '/\[Ordinal\/Name Pointer\] Table/{t=1;next} t&&/^[[:space:]]*\[/{print $NF} t&&/^$/{t=0}' | sort)"
[ "$(echo $actual)" = "$(echo $expected)" ] || fail "exports differ: $(echo $actual)"

imports="$(i686-w64-mingw32-objdump -p "$dll" | awk '/DLL Name:/{print tolower($3)}' | sort -u)"
for i in $imports; do
  case "$i" in
    kernel32.dll|user32.dll|gdi32.dll|advapi32.dll|comctl32.dll|comdlg32.dll|shell32.dll|shlwapi.dll|\
    version.dll|imagehlp.dll|dbghelp.dll|uxtheme.dll|msvcrt.dll|ole32.dll) ;;
    *) fail "depends on a non-system DLL: $i" ;;
  esac
done

# The Windows floor: the headers' operating-system and subsystem versions are the floor of
# tools/windows-imports.txt, and every import is listed there with a version no newer.
list="$top/tools/windows-imports.txt"
floor="$(awk '$1 == "floor" {print $2}' "$list")"
header="$(i686-w64-mingw32-objdump -p "$dll")"
version_of() { echo "$header" | awk -v major="Major$1" -v minor="Minor$1" '$1 == major {a = $2} $1 == minor {b = $2} END {print a "." b}'; }
[ "$(version_of OSystemVersion)" = "$floor" ] || fail "the header's OS version is $(version_of OSystemVersion), not $floor"
[ "$(version_of SubsystemVersion)" = "$floor" ] || fail "the header's subsystem version is $(version_of SubsystemVersion), not $floor"
unfit="$(echo "$header" | awk -v floor="$floor" '
  FNR == NR { if ($1 != "floor" && $1 !~ /^#/ && NF >= 3) since[tolower($1) " " $2] = $3; next }
  /DLL Name:/ { dll = tolower($3); next }
  dll != "" && NF == 0 { dll = ""; next }
  dll != "" && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ && NF >= 3 {
    key = dll " " $3
    if (!(key in since)) print "  not in the list: " key
    else if (since[key] + 0 > floor + 0) print "  newer than " floor ": " key " (" since[key] ")"
    n++
  }
  END { if (n == 0) print "  no imports read" }' "$list" -)"
[ -z "$unfit" ] || fail "imports that do not fit Windows $floor:
$unfit"

if [ -f "$top/tools/check_dll_resources.py" ]; then
  python3 "$top/tools/check_dll_resources.py" "$dll" "$top/resources/Mirvane.rc"
fi
echo "check_dll: $dll: PE32 i386, 16 undecorated exports, system DLLs only, every import on Windows $floor"
