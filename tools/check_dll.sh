#!/usr/bin/env bash
# Checks the built product: a PE32 i386 DLL that exports exactly the sixteen host events by
# undecorated name, needs only system DLLs, and carries the string table and version
# resource of resources/Mirvane.rc byte for byte.
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

# A tracked checker that has gone missing is a failure, never a silent skip.
[ -f "$top/tools/check_dll_resources.py" ] || fail "tools/check_dll_resources.py is missing"
python3 "$top/tools/check_dll_resources.py" "$dll" "$top/resources/Mirvane.rc"
echo "check_dll: $dll: PE32 i386, 16 undecorated exports, system DLLs only"
