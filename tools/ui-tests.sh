#!/usr/bin/env bash
# The settings sheet driven as a user would, under Wine: the Windows host (mirvane-host.exe)
# loads the real Mirvane.dll, its "setup" verb opens the sheet, and the host's UI driver plays
# the scenarios of tests/ui-scenarios/ (steps: host/ui/UiDriver.h). Afterwards this script checks
# Mirvane.ini, MirvaneEnv.ini, the list files and the archives the scenarios left.
#
#   tools/ui-tests.sh [--screenshots DIR]   DIR: also write the pictures taken as PNG files
#   MIRVANE_UI_KEEP=1 keeps the work folder (data folders, scripts, JSON reports) for a look.
#
# Needs the Windows build (build/win), Wine, Xvfb, python3, unzip and ImageMagick. Runs in a
# private Wine prefix with a virtual desktop (so windows have frames in the pictures) and the
# IPA fonts for the dialogs' Japanese font. Prints one line per check and "N passed, M failed".
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$top"

shots_out=""
if [ "${1:-}" = "--screenshots" ]; then shots_out="$(realpath -m "$2")"; shift 2; fi

host_exe="$top/build/win/bin/mirvane-host.exe"
[ -f "$host_exe" ] && [ -f "$top/build/win/bin/Mirvane.dll" ] || { echo "ui-tests: build the Windows tree first" >&2; exit 2; }
prefix="$top/build/win/wineprefix-ui"
work="$(mktemp -d /tmp/mirvane-ui.XXXXXX)"
passed=0
failed=0

# ---- display and Wine prefix ------------------------------------------------------------------
display=""
for n in $(seq 91 120); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || { echo "ui-tests: no free X display" >&2; exit 2; }
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
cleanup() {
  WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
  kill "$xvfb_pid" 2>/dev/null || true
  if [ -n "${MIRVANE_UI_KEEP:-}" ]; then echo "ui-tests: kept $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT
export DISPLAY="$display"
sleep 1

wine_run() { tools/wine.sh --prefix "$prefix" "$@"; }
if [ ! -f "$prefix/.mirvane-ui" ]; then
  wine_run reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  wine_run reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
  for font in "MS UI Gothic" "MS Shell Dlg" "MS Gothic" "MS PGothic"; do
    wine_run reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$font" /d IPAPGothic /f >/dev/null 2>&1
  done
  touch "$prefix/.mirvane-ui"
fi

winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"; }

# ---- checks -----------------------------------------------------------------------------------
pass() { passed=$((passed + 1)); echo "  ok: $1"; }
fail() { failed=$((failed + 1)); echo "  FAILED: $1"; }
check() {  # description, command...
  local what="$1"; shift
  if "$@" >/dev/null 2>&1; then pass "$what"; else fail "$what"; fi
}
has_line() { tr -d '\r' < "$1" | grep -qxF -- "$2"; }   # file, exact line
lacks_line() { ! has_line "$@"; }
export -f has_line lacks_line

# ---- data ---------------------------------------------------------------------------------------
data="$work/data"
plugin_data="$data/PlugIns/Mirvane"
host() { wine_run "$host_exe" --data "$(winpath "$data")" "$@"; }

fresh_data() {
  rm -rf "$data"
  host init main.mb:Main:user@example.com work.mb:Work:me@work.example >/dev/null
  host mkfolder 'main.mb/!!!!Inbox/spam/deep/deeper' >/dev/null
  mkdir -p "$data/main.mb/#hidden/child" "$data/main.mb/.dot" "$data/junk/inner"
  mkdir -p "$plugin_data"
}

# Runs a scenario: the sheet under the driver; passes when every step held.
scenario() {  # name
  local name="$1"
  local script="$work/$name.script"
  sed -e "s|@DIR@|$(winpath "$work" | sed 's/\\/\\\\/g')|g" \
      -e "s|@DATA@|$(winpath "$data" | sed 's/\\/\\\\/g')|g" "tests/ui-scenarios/$name.txt" > "$script"
  local out="$work/$name.json"
  timeout 240 tools/wine.sh --prefix "$prefix" "$host_exe" --data "$(winpath "$data")" \
    setup --ui-script "$(winpath "$script")" > "$out" 2>"$work/$name.err" || true
  if grep -q '"event":"ui-done".*"failed":0,' "$out"; then
    pass "$name: every step of the sheet held"
  else
    fail "$name: steps failed (see below)"
    grep -E '"ok":false|"event":"(error|ui-done)"' "$out" | head -20 | sed 's/^/    /'
  fi
}

mkdir -p "$work/shots"
printf 'From: Me <user@example.com>\nTo: "Pending Person" <pending@example.com>\nCc: user@example.com\nSubject: hello\n\nbody\n' > "$work/mail.eml"
printf 'imported@example.com\tImported\r\nimported.example\t\r\n' > "$work/import.txt"
printf 'MZ' > "$work/ruby.exe"
printf 'MZ' > "$work/Ruby.exe"
python3 -c "import zipfile,sys; zipfile.ZipFile(sys.argv[1],'w').close()" "$work/empty.zip"

echo "== UI: Cancel keeps settings and lists, keeps the layout, merges the sent recipients"
fresh_data
printf '[Mirvane]\r\nProcessSpamMail=NoMove\r\nAddToAddrToWhiteListOnSend=True\r\n' > "$plugin_data/Mirvane.ini"
printf 'known@example.com\tKnown\r\n' > "$plugin_data/WhiteList.txt"
cp "$plugin_data/Mirvane.ini" "$work/ini.before"
scenario cancel
check "Mirvane.ini is untouched" cmp "$work/ini.before" "$plugin_data/Mirvane.ini"
check "the page's new address is dropped" lacks_line "$plugin_data/WhiteList.txt" "added@example.com	"
check "the recipient sent meanwhile is in WhiteList.txt" has_line "$plugin_data/WhiteList.txt" "pending@example.com	Pending Person"
check "the user's own address is not" lacks_line "$plugin_data/WhiteList.txt" "user@example.com	"
check "the listed address stays" has_line "$plugin_data/WhiteList.txt" "known@example.com	Known"
check "no NG-word list is written" test ! -e "$plugin_data/NgWordList.txt"
check "MirvaneEnv.ini keeps the sort column (address)" has_line "$plugin_data/MirvaneEnv.ini" "SortItemName=EmailAddr"
check "MirvaneEnv.ini keeps the direction (descending)" has_line "$plugin_data/MirvaneEnv.ini" "SortIsAscending=False"

echo "== UI: general and other-settings pages, validation and OK"
fresh_data
printf '[Mirvane]\r\nLogLevel=DEBUG\r\n' > "$plugin_data/Mirvane.ini"
scenario general
ini="$plugin_data/Mirvane.ini"
log="$plugin_data/Mirvane.log"
check "the editor was started twice on bsfilter.conf" \
  test "$(grep -ac 'EditBsfilterConfig(): CreateProcess(): succeeded. command: \[".*" ".*\\bsfilter.conf"\]' "$log")" = 2
check "only the Ctrl-click asked for the program of .txt files" \
  test "$(grep -ac 'EditBsfilterConfig(): AssocQueryString()' "$log")" = 1
check "LogLevel, which is never written, survives the save" has_line "$ini" "LogLevel=DEBUG"
check "ProcessSpamMail=AddHeader" has_line "$ini" "ProcessSpamMail=AddHeader"
check "SpamHeaderFieldName=Spam (trimmed)" has_line "$ini" "SpamHeaderFieldName=Spam"
check "SpamHeaderFieldBody=yes (trimmed)" has_line "$ini" "SpamHeaderFieldBody=yes"
check "SetReadToSpamMail=True" has_line "$ini" "SetReadToSpamMail=True"
check "AddToAddrToWhiteListOnSend=True" has_line "$ini" "AddToAddrToWhiteListOnSend=True"
check "ContextMenuPosition=MenuPosition" has_line "$ini" "ContextMenuPosition=MenuPosition"
check "UseBsfilterScript=True" has_line "$ini" "UseBsfilterScript=True"
check "RubyModulePath is the valid path" has_line "$ini" "RubyModulePath=$(winpath "$work")\\ruby.exe"
check "OK writes all three lists" test -e "$plugin_data/WhiteList.txt" -a -e "$plugin_data/NgWordList.txt" -a -e "$plugin_data/OkWordList.txt"

echo "== UI: white-list page"
fresh_data
printf '[Mirvane]\r\nAddToAddrToWhiteListOnSend=True\r\n' > "$plugin_data/Mirvane.ini"
printf 'known@example.com\tKnown\r\nzeta@example.com\t\r\n' > "$plugin_data/WhiteList.txt"
scenario whitelist
wl="$plugin_data/WhiteList.txt"
check "export wrote the list as it was then" bash -c "tr -d '\r' < '$work/export.txt' | grep -qxF 'example.org	' && tr -d '\r' < '$work/export.txt' | grep -qxF 'known@example.com	Known' && ! grep -q friend '$work/export.txt'"
check "the import replaced the list" lacks_line "$wl" "known@example.com	Known"
check "imported entries are saved" has_line "$wl" "imported@example.com	Imported"
check "the recipient sent meanwhile is added" has_line "$wl" "pending@example.com	Pending Person"
check "WhiteList.txt holds exactly those entries" bash -c "[ \$(wc -l < '$wl') = 3 ]"

echo "== UI: NG and OK word pages"
fresh_data
scenario words
check "UseNgWord=True" has_line "$plugin_data/Mirvane.ini" "UseNgWord=True"
check "UseOkWord=True" has_line "$plugin_data/Mirvane.ini" "UseOkWord=True"
check "NgWordList.txt: casino updated to both targets" has_line "$plugin_data/NgWordList.txt" "casino	All	Text	IgnoreCase"
check "NgWordList.txt: viagra added by update, sender" has_line "$plugin_data/NgWordList.txt" "viagra	Fromname	Text	IgnoreCase"
check "NgWordList.txt: the deleted ^Re: is gone" lacks_line "$plugin_data/NgWordList.txt" "^Re:	All	Regex	IgnoreCase"
check "the NG export is the list as the page showed it" cmp "$work/ngexport.txt" "$plugin_data/NgWordList.txt"
check "OkWordList.txt is the imported NG export" cmp "$work/ngexport.txt" "$plugin_data/OkWordList.txt"

echo "== UI: folder browser"
fresh_data
scenario folder
check "SpamFolder is the chosen folder id" has_line "$plugin_data/Mirvane.ini" 'SpamFolder=main.mb\!!!!Inbox\spam\'
check "ProcessSpamMail=GoFolder" has_line "$plugin_data/Mirvane.ini" "ProcessSpamMail=GoFolder"
sed -i 's/^SpamFolder=.*/SpamFolder=main.mb\\!!!!Inbox\\spam\\deep\\\r/' "$plugin_data/Mirvane.ini"
scenario folder-again

echo "== UI: database backup and restore"
fresh_data
host info >/dev/null  # the first load writes bsfilter.conf and makes bsfilterdb
printf 'spam tokens' > "$plugin_data/bsfilterdb/S.sdbm.pag"
printf 'clean tokens' > "$plugin_data/bsfilterdb/C.sdbm.pag"
mkdir -p "$plugin_data/bsfilterdb/sub"
scenario backup
check "the archive passes unzip -t" unzip -tq "$work/backup.zip"
check "the file dialog offered the time-stamped name" grep -q '"op":"file","caption":"[^"]*","offered":"bsfilterdb_[0-9]\{8\}_[0-9]\{6\}.zip"' "$work/backup.json"
check "the archive lists bsfilter.conf and the database files only" \
  python3 -c "import zipfile,sys; n=sorted(zipfile.ZipFile(sys.argv[1]).namelist()); sys.exit(n!=['bsfilter.conf','bsfilterdb/C.sdbm.pag','bsfilterdb/S.sdbm.pag'])" "$work/backup.zip"
check "the restore kept the database files" test "$(cat "$plugin_data/bsfilterdb/S.sdbm.pag")" = "spam tokens"
rm -f "$plugin_data/bsfilter.conf"; mkdir "$plugin_data/bsfilter.conf"
scenario backup-fail
check "a failed backup leaves no archive" test ! -e "$work/failed.zip"

echo "== UI: the progress dialog of a batch command"
# A copy of the plug-in with the bsfilter stand-in as its program, slowed down so that the
# dialog stays up for a picture.
app="$work/app"
mkdir -p "$app/Mirvane" "$work/mails"
cp "$top/build/win/bin/Mirvane.dll" "$host_exe" "$app/"
cp "$top/build/win/bin/bsfilter.exe" "$app/Mirvane/"
printf 'x' > "$app/Mirvane/iconv.dll"
for i in $(seq 1 12); do
  printf 'From: sender%d@example.com\nTo: user@example.com\nSubject: message %d\n\nbody %d\n' "$i" "$i" "$i" > "$work/mails/m$i.eml"
done
fresh_data
printf '[Mirvane]\r\nDisableBeforeMsgbox=True\r\nDisableResultMsgbox=True\r\nDontCheckDbOnStart=True\r\n' > "$plugin_data/Mirvane.ini"
printf 'standin sleep 400\r\n' > "$plugin_data/bsfilter.conf"
app_host() { wine_run "$app/mirvane-host.exe" --data "$(winpath "$data")" "$@"; }
app_host receive "$(winpath "$work/mails")" --no-filter >/dev/null
app_host select --all --folder 'main.mb/!!!!Inbox/' >/dev/null
printf 'progress\nsleep 1200\nshot %s\n' "$(winpath "$work/shots/progress.bmp")" > "$work/progress.script"
timeout 240 tools/wine.sh --prefix "$prefix" "$app/mirvane-host.exe" --data "$(winpath "$data")" \
  run --pos 10/5 --ui-script "$(winpath "$work/progress.script")" > "$work/progress.json" 2>/dev/null || true
check "the progress dialog showed with its status line" \
  grep -q '"op":"progress","caption":"[^"]*--add-spam[^"]*","status":"[0-9]* / 12 ' "$work/progress.json"
check "the command finished after the pictures" grep -q '"event":"run"' "$work/progress.json"

if [ -n "$shots_out" ]; then
  mkdir -p "$shots_out"
  for bmp in "$work"/shots/*.bmp; do
    [ -e "$bmp" ] || continue
    /usr/bin/convert "$bmp" "$shots_out/$(basename "${bmp%.bmp}").png"
  done
  echo "== pictures written to $shots_out"
fi

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
