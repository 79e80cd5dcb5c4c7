#!/usr/bin/env bash
# xp-test.sh KELVR_EXE PROBE_EXE STUB_TOOL_EXE
# kelvr.exe on a Wine that says it is an Italian Windows XP (Version winxp; the programs folder
# C:\Programmi) on a screen of 144 dots per inch: it starts, measures the drives, sorts them
# with Ctrl+3 and lays its windows out at that scale; and "? Sistema", with no registry value
# naming the system-information tool, finds the copy of it planted below C:\Programmi and starts
# it. The windows are read as a screen reader reads them (kelvr_probe read) and through the push
# buttons' own windows (kelvr_probe button). Wine keeps the functions of later Windows under any
# Version: that the exe imports none of them is scripts/check-exe.sh's to check, and each
# fallback for them runs in the Windows tests.
set -uo pipefail
# shellcheck source=../../scripts/wine-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh" || exit 1
# shellcheck source=checks.sh
source "$(dirname "${BASH_SOURCE[0]}")/checks.sh"
kelvr=$1
probe=$2
tool=$3

# A display of its own: keys typed on a shared one could reach another run's windows.
trap 'kelvr_end_throwaway_prefix; kelvr_end_private_display' EXIT
kelvr_private_display || exit 1
KELVR_DPI=144 kelvr_throwaway_prefix || exit 1

main=" Kelvaro"
maker="Informazioni sul produttore del SoftWare"
planted='C:\Programmi\Strumenti comuni\MSInfo\MSINFO32.EXE'
started=$WINEPREFIX/drive_c/kelvr-tool-started.txt

# Windows XP, Italian: its programs folder is C:\Programmi, which Wine's SHGetFolderPathW reads
# from ProgramFilesDir. Neither registry value that names the tool is there, so the click
# searches. (C:\Programmi also holds the prefix's link loop, which the search passes over.)
kelvr_reg add 'HKCU\Software\Wine' /v Version /d winxp /f >/dev/null 2>&1
kelvr_reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion' /v ProgramFilesDir \
  /d 'C:\Programmi' /f >/dev/null 2>&1
kelvr_reg delete 'HKLM\Software\Microsoft\Shared Tools\MSINFO' /f >/dev/null 2>&1
kelvr_reg delete 'HKLM\Software\Microsoft\Shared Tools Location' /f >/dev/null 2>&1
mkdir -p "$WINEPREFIX/drive_c/Programmi/Strumenti comuni/MSInfo"
cp "$tool" "$WINEPREFIX/drive_c/Programmi/Strumenti comuni/MSInfo/MSINFO32.EXE"
wineserver -p >/dev/null 2>&1

version() { [[ "$(wine cmd /c ver 2>/dev/null | tr -d '\r')" == *" 5.1."* ]]; }
check "Wine says it is Windows XP (5.1)" version

kelvr_start "$kelvr" >/dev/null 2>&1
program=$KELVR_PID
check "the main window shows" until_ 20 shown "$main"

# The table as a screen reader reads it, one row a line: "name|used|free|total".
rows() {
  probe read "$main" | awk '/^41 / { cell[n++] = substr($0, 4) }
    /^48 / { print cell[0] "|" cell[1] "|" cell[2] "|" cell[3]; n = 0 }'
}
total_of() { rows | awk -F'|' -v d="$1" '$1 == d { print $4 }'; }
measured() { [ -n "$(total_of "$1")" ] && [ "$(total_of "$1")" != "0,00" ]; }
unmeasured() { [ "$(total_of "$1")" = "0,00" ]; }
check "drive D: is measured" until_ 10 measured "d: [DATI KELVR]"
check "drive E:, which cannot be, shows zeros" unmeasured "e:"
[ "$failed" = 0 ] || probe read "$main" >&2

free_ascending() {
  local free
  free=$(rows | cut -d'|' -f3 | tr -d '.' | tr ',' '.')
  [ "$(echo "$free" | wc -l)" -ge 3 ] && echo "$free" | LC_ALL=C sort -g -c 2>/dev/null
}
not() { ! "$@"; }
check "the rows do not start in free-space order" not free_ascending
keys "$main" ctrl+3
check "Ctrl+3 sorts them by free space" until_ 5 free_ascending

keys "$main" alt+q
check "Alt+Q opens the maker window" until_ 5 shown "$maker"
# Its buttons are 1275 x 420 twips: at 144 DPI, 127.5 x 42 pixels.
scaled() {
  local w h
  read -r w h < <(probe button "$maker" "$1")
  [ -n "${h:-}" ] && ((w >= 127 && w <= 128 && h == 42))
}
check "its buttons are laid out at 144 DPI" scaled "&OK"

keys "$maker" alt+s
tool_started() { [ "$(tr -d '\0' <"$started" 2>/dev/null)" = "$planted" ]; }
check "? Sistema starts the tool planted below C:\\Programmi" until_ 15 tool_started
[ "$failed" = 0 ] || { echo "started: $(tr -d '\0' <"$started" 2>/dev/null)"; } >&2
no_message() { ! probe exists "Kelvr" >/dev/null; }
check "and says nothing" no_message

keys "$maker" alt+o
check "Alt+O, its OK button, closes the maker window" until_ 5 gone "$maker"
keys "$main" alt+f
ended() { ! kill -0 "$program" 2>/dev/null; }
check "Alt+F ends the program" until_ 10 ended
kill "$program" 2>/dev/null

checks_summary "Windows XP"
