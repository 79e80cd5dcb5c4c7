#!/usr/bin/env bash
# many-drives-test.sh KELVR_EXE PROBE_EXE
# Twenty-six drives on a 1024x768 screen, too low for all their rows, as a user meets them: real
# key presses and wheel turns (xdotool, through X into Wine) on kelvr.exe's main window, read
# back from another process (kelvr_probe). The last drive's row is out of view at start; End,
# Page Down, the arrow down and the wheel each bring it into view from the top, and Home and the
# wheel turned back bring the first row back. How far each key and wheel turn scrolls, the
# scroll bar, and the screens of other scales are ManyDrives's, in the Windows tests, which
# send the window the same messages from inside: this test checks that a real keyboard's and
# mouse's reach them.
set -uo pipefail
# shellcheck source=../../scripts/wine-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh" || exit 1
# shellcheck source=checks.sh
source "$(dirname "${BASH_SOURCE[0]}")/checks.sh"
kelvr=$1
probe=$2

# A display of its own: keys and wheel turns on a shared one could reach another run's windows.
trap 'kelvr_end_throwaway_prefix; kelvr_end_private_display' EXIT
kelvr_private_display || exit 1
kelvr_throwaway_prefix || exit 1
kelvr_every_letter || exit 1
wineserver -p >/dev/null 2>&1

main=" Kelvaro"
first="a:"  # a: and b: are floppy drives to Wine, not asked for their labels
last="y: [DISCO Y]"  # z: is Wine's window on the Unix root, named as Wine names it

inview() { probe inview "$main" "$1" >/dev/null; }
outofview() { ! inview "$1"; }
focused() {
  local window
  window=$(xdotool search --onlyvisible --name "^$main" 2>/dev/null | head -n 1)
  [ -n "$window" ] && xdotool windowfocus --sync "$window" 2>/dev/null && echo "$window"
}
# scroll_keys KEY...: types into the main window quickly (the events queue up in X and reach the
# window in order: no pause is needed between them).
scroll_keys() {
  focused >/dev/null
  xdotool key --delay 20 "$@"
}
# wheel BUTTON TIMES: turns the wheel over the middle of the main window (4 up, 5 down).
wheel() {
  local X Y WIDTH HEIGHT
  eval "$(xdotool getwindowgeometry --shell "$(focused)")"
  xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click --repeat "$2" --delay 20 "$1"
}
# brings_last_into_view COMMAND...: from the top, where the last row is out of view, the
# command brings it into view.
brings_last_into_view() {
  scroll_keys Home
  until_ 5 outofview "$last" || return
  "$@"
  until_ 5 inview "$last"
}

kelvr_start "$kelvr" >/dev/null 2>&1
program=$KELVR_PID
check "the main window shows" until_ 20 inview "$first"
[ "$failed" = 0 ] || probe texts "$main" >&2
check "the last row is out of view at start" outofview "$last"
scroll_keys End
check "End brings the last row into view" until_ 5 inview "$last"
check "and takes the first out" outofview "$first"
scroll_keys Home
check "Home brings the first row back" until_ 5 inview "$first"
check "Page Down brings the last row into view" brings_last_into_view scroll_keys Next Next Next Next
# (As many presses and turns as there are drives: more than enough, whatever each scrolls.)
mapfile -t downs < <(yes Down | head -n 26)
check "the arrow down brings it into view" brings_last_into_view scroll_keys "${downs[@]}"
check "the wheel brings it into view" brings_last_into_view wheel 5 26
wheel 4 26
check "and back up to the first row" until_ 5 inview "$first"
scroll_keys alt+f
ended() { ! kill -0 "$program" 2>/dev/null; }
check "Alt+F ends the program" until_ 10 ended
kill "$program" 2>/dev/null

checks_summary "many drives"
