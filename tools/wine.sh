#!/usr/bin/env bash
# Runs a Windows program of the build under Wine in a Japanese setting (ANSI code page 932),
# headless, with a private prefix under the Windows build folder.
#   tools/wine.sh [--prefix DIR] program.exe [args...]
#   MIRVANE_WINE_LOCALE=en_US.UTF-8 runs it in that locale instead (UI language and code page).
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
prefix="$top/build/win/wineprefix"
if [ "${1:-}" = "--prefix" ]; then prefix="$2"; shift 2; fi
export WINEPREFIX="$prefix"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export LC_ALL="${MIRVANE_WINE_LOCALE:-ja_JP.UTF-8}"
export WINEARCH=win32
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w || true
fi
# Without a window manager (Xvfb) Wine waits up to two seconds for each window it leaves to the
# manager to be withdrawn, so every message box took two seconds to close; windows Wine manages
# itself open and close at once (and get their caption drawn).
if ! grep -q '"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null; then
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
  wineserver -w || true
fi
exec wine "$@"
