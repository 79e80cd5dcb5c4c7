#!/usr/bin/env bash
# keyboard-test.sh KELVR_EXE PROBE_EXE
# Drives kelvr.exe with real key presses (xdotool, through X into Wine) and reads its windows
# back with the probe from another process: the sort keys Ctrl+1 to Ctrl+4, and the table as a
# screen reader reads it then (Active Accessibility, across processes); every menu item by Alt
# and its underlined letter, Enter and Escape in both dialogs, and their tab order, through the
# buttons and on to the links (what has the focus read as a screen reader reads it); the main
# window active again once a dialog closes.
set -uo pipefail
# shellcheck source=../../scripts/wine-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh" || exit 1
# shellcheck source=checks.sh
source "$(dirname "${BASH_SOURCE[0]}")/checks.sh"
kelvr=$1
probe=$2

has_text() { probe texts "$1" | grep -qxF -- "$2"; }
focus_is() { [ "$(probe focus "$1")" = "$2" ]; }

# A display of its own: keys typed on a shared one could reach another run's windows.
trap 'kelvr_end_throwaway_prefix; kelvr_end_private_display' EXIT
kelvr_private_display || exit 1
kelvr_throwaway_prefix || exit 1
wineserver -p >/dev/null 2>&1

main=" Kelvaro"
about=" Informazioni su Kelvr"
maker="Informazioni sul produttore del SoftWare"

# The system-information tool, as the registry names it: a file, so that the launcher takes it,
# but no program, so that the maker window is loaded, hidden, to own a launch that fails
# quietly: no other program takes the keyboard away from the test.
: >"$WINEPREFIX/drive_c/kelvr-no-program.exe"
kelvr_reg add 'HKLM\Software\Microsoft\Shared Tools\MSINFO' /v PATH /t REG_SZ \
  /d 'C:\kelvr-no-program.exe' /f >/dev/null 2>&1

kelvr_start "$kelvr" >/dev/null 2>&1
program=$KELVR_PID
check "the main window shows" until_ 20 shown "$main"
x_window() { xdotool search --onlyvisible --name "^$1" >/dev/null 2>&1; }
check "and is an X window" until_ 20 x_window "$main"

# The table, top row down: a column's cells (0 the names), its figures as plain numbers, and
# the drives as the screen reader reads their bars.
column() { probe column "$main" "$1"; }
numbers() { column "$1" | tr -d '. ' | tr ',' '.'; }
ascending() {
  local n
  n=$(numbers "$1")
  [ "$(wc -l <<<"$n")" -ge 3 ] && LC_ALL=C sort -g -c <<<"$n" 2>/dev/null
}
bars_read() { probe read "$main" | sed -n 's/^48 \(.*\) = [0-9]* %$/\1/p'; }
read_in_screen_order() {
  local bars
  bars=$(bars_read)
  [ -n "$bars" ] && [ "$bars" = "$(column 0)" ]
}
read_as_header() { probe read "$main" | grep -qxF "25 $1"; }
listed() {
  start_order=$(column 0)
  [ "$(wc -l <<<"$start_order")" -ge 3 ]
}

check "the drives are listed" until_ 5 listed
check "a screen reader reads the headers as column headers" read_as_header "Drive"
check "and every bar, in the rows' order" read_in_screen_order
not() { ! "$@"; }
check "the table does not start in free-space order" not ascending 2
for sort in "3 2 free space" "4 3 capacity" "2 1 used space"; do
  read -r key col what <<<"$sort"
  keys "$main" "ctrl+$key"
  check "Ctrl+$key sorts by $what" until_ 5 ascending "$col"
  check "and the screen reader reads the rows so" until_ 5 read_in_screen_order
done
keys "$main" ctrl+1
in_start_order() { [ "$(column 0)" = "$start_order" ]; }
check "Ctrl+1 sorts by drive again" until_ 5 in_start_order
check "and the screen reader reads the rows so" until_ 5 read_in_screen_order

keys "$main" alt+u b
check "Alt+U B: bytes" until_ 5 has_text "$main" "Byte utilizzati"
keys "$main" alt+u g
check "Alt+U G: gigabytes" until_ 5 has_text "$main" "GByte TOTALI"
keys "$main" alt+u m
check "Alt+U M: megabytes" until_ 5 has_text "$main" "MByte disponibili"

dialog=$about
keys "$main" alt+a
check "Alt+A opens the about window" until_ 5 shown "$about"
check "its OK button has the focus" until_ 3 focus_is "$about" "OK"
keys "$dialog" Tab
check "Tab goes to System Info" until_ 3 focus_is "$about" "&System Info..."
keys "$dialog" Tab
credit=$(probe texts "$about" | grep '^by QIRVO')
check "the about window reads a credit line" test -n "$credit"
check "Tab goes on to it, a link" until_ 3 focus_is "$about" "$credit"
keys "$dialog" Return
check "Enter opens it: the maker window" until_ 5 shown "$maker"
keys "$maker" Escape
check "Escape closes that" until_ 5 gone "$maker"
check "and the credit line has the focus again" until_ 3 focus_is "$about" "$credit"
keys "$dialog" Tab
check "Tab comes back to OK" until_ 3 focus_is "$about" "OK"
keys "$dialog" Return
check "Enter closes the about window" until_ 5 gone "$about"
active() { probe active "$1"; }
check "and the main window is active again" until_ 3 active "$main"
keys "$main" alt+a
check "Alt+A opens it again" until_ 5 shown "$about"
keys "$dialog" Escape
check "Escape closes the about window" until_ 5 gone "$about"

dialog=$maker
keys "$main" alt+q
check "Alt+Q opens the maker window" until_ 5 shown "$maker"
check "its OK button has the focus" until_ 3 focus_is "$maker" "&OK"
keys "$dialog" Tab
check "Tab goes to ? Sistema" until_ 3 focus_is "$maker" "? &Sistema"
keys "$dialog" shift+Tab
check "Shift+Tab comes back to OK" until_ 3 focus_is "$maker" "&OK"
keys "$dialog" shift+Tab
check "Shift+Tab goes round to the last link, the web address" until_ 3 \
  focus_is "$maker" "www.q.example"
keys "$dialog" shift+Tab
check "and back to the mail address" until_ 3 focus_is "$maker" "info@q.example"
keys "$dialog" Tab Tab
check "Tab Tab goes on to OK" until_ 3 focus_is "$maker" "&OK"
keys "$dialog" Return
check "Enter closes the maker window" until_ 5 gone "$maker"
keys "$main" alt+q
check "Alt+Q opens it again" until_ 5 shown "$maker"
keys "$dialog" Escape
check "Escape closes the maker window" until_ 5 gone "$maker"

# "System Info..." borrows the maker window, loaded hidden, to own the launch; that hidden
# window must not keep the program alive.
dialog=$about
keys "$main" alt+a
check "Alt+A opens the about window once more" until_ 5 shown "$about"
keys "$dialog" alt+s
loaded_hidden() { probe hidden "$1" >/dev/null; }
check "Alt+S loads the maker window, hidden" until_ 5 loaded_hidden "$maker"
check "and leaves the about window open" shown "$about"
keys "$dialog" Escape
check "Escape closes it" until_ 5 gone "$about"
# (Checked last, when the launch has long been over.)
check "and no maker window has shown" gone "$maker"

keys "$main" alt+f
ended() { ! kill -0 "$program" 2>/dev/null; }
check "Alt+F ends the program" until_ 10 ended
kill "$program" 2>/dev/null

checks_summary keyboard
