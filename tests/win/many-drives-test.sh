#!/usr/bin/env bash
# many-drives-test.sh KELVR_EXE PROBE_EXE
# Twenty-six drives on a low screen, as a user meets them: real key presses and wheel turns
# (xdotool, through X into Wine) on kelvr.exe's main window, read back from another process
# (kelvr_probe). On a 1024x768 and an 800x600 screen, the last drive's row is out of view at
# start, and End, the arrows and the wheel each bring it into view.
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
main=" Kelvaro"
first="a:"  # a: and b: are floppy drives to Wine, not asked for their labels
last="y: [DISCO Y]"  # z: is Wine's window on the Unix root, named as Wine names it

probe() { kelvr_italian wine "$probe" "$@" 2>/dev/null | tr -d '\r'; }
inview() { probe inview "$main" "$1" >/dev/null; }
outofview() { ! inview "$1"; }
keys() {
  local window
  window=$(xdotool search --onlyvisible --name "^$main" 2>/dev/null | head -n 1)
  [ -n "$window" ] && xdotool windowfocus --sync "$window" 2>/dev/null
  xdotool key --delay 60 "$@"
  sleep 0.3
}
# wheel BUTTON TIMES: turns the wheel over the middle of the main window (4 up, 5 down).
wheel() {
  local window
  window=$(xdotool search --onlyvisible --name "^$main" 2>/dev/null | head -n 1)
  eval "$(xdotool getwindowgeometry --shell "$window")"
  xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click --repeat "$2" --delay 80 "$1"
  sleep 0.3
}

for screen in 1024x768 800x600; do
  echo "== 26 drives on $screen"
  KELVR_DESKTOP=$screen kelvr_throwaway_prefix || exit 1
  kelvr_every_letter || exit 1
  wineserver -p >/dev/null 2>&1

  kelvr_italian wine "$kelvr" >/dev/null 2>&1 &
  program=$!
  check "$screen: the main window shows" until_ 20 inview "$first"
  [ "$failed" = 0 ] || probe texts "$main" >&2
  check "$screen: the last row is out of view at start" outofview "$last"
  keys End
  check "$screen: End brings the last row into view" until_ 5 inview "$last"
  check "$screen: and takes the first out" outofview "$first"
  keys Home
  check "$screen: Home brings the first row back" until_ 5 inview "$first"
  keys Next Next Next Next
  check "$screen: Page Down brings the last row into view" until_ 5 inview "$last"
  keys Home
  mapfile -t downs < <(yes Down | head -n 26)
  keys "${downs[@]}"
  check "$screen: the arrow down brings it into view" until_ 5 inview "$last"
  keys Home
  wheel 5 26
  check "$screen: the wheel brings it into view" until_ 5 inview "$last"
  wheel 4 26
  check "$screen: and back up to the first row" until_ 5 inview "$first"
  keys alt+f
  ended() { ! kill -0 "$program" 2>/dev/null; }
  check "$screen: Alt+F ends the program" until_ 10 ended
  kill "$program" 2>/dev/null
  kelvr_end_throwaway_prefix
done

checks_summary "many drives"
