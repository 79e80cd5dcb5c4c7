#!/usr/bin/env bash
# Takes the pictures of Kelvr's windows shown in the README: docs/main-window.png, ...
# kelvr.exe runs under Wine on a throwaway Italian desktop, the same as the Windows tests get
# (drive D: "DATI KELVR", a drive E: that cannot be measured; see wine-env.sh), on an Xvfb
# of its own (or $KELVR_DISPLAY), so that no other program's window gets into the picture.
# Builds the mingw preset first when it is out of date.
# To picture another window, add a `shot` line at the end.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash scripts/deps.sh


source scripts/wine-env.sh
kelvr_build_mingw
exe=build/mingw/kelvr.exe
# The main window's caption starts with "Kelvaro"; the other windows' captions do not.
main_title='^ *Kelvaro'

trap 'kelvr_end_throwaway_prefix; kelvr_end_private_display' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
kelvr_private_display
kelvr_throwaway_prefix

wine "$exe" >"$KELVR_RUN_DIR/kelvr.log" 2>&1 &
kelvr_pid=$!
if ! main=$(kelvr_wait_window "$main_title" 20 "$kelvr_pid"); then
  kill -0 "$kelvr_pid" 2>/dev/null || echo "screenshot.sh: kelvr.exe has ended" >&2
  cat "$KELVR_RUN_DIR/kelvr.log" >&2
  exit 1
fi

# shot NAME WINDOW [XDOTOOL_ARGS...]
#   Runs `xdotool XDOTOOL_ARGS...` with the main window focused, when given (keys to type or
#   clicks, e.g. `key alt+u` or `mousemove 60 62 click 1`; coordinates are desktop pixels),
#   then writes docs/NAME.png: the window whose caption matches the regular expression WINDOW
#   (focused first, so that it is drawn active), or the whole 1024x768 desktop when WINDOW is "desktop" (for menus, which are windows of
#   their own, or several windows at once).
shot() {
  local name=$1 window=$2 id=
  shift 2
  kill -0 "$kelvr_pid" 2>/dev/null || kelvr_die "kelvr.exe ended before the picture $name"
  if [ $# -gt 0 ]; then
    xdotool windowfocus --sync "$main"
    xdotool "$@"
  fi
  if [ "$window" != desktop ]; then
    id=$(kelvr_wait_window "$window" 10 "$kelvr_pid") || exit 1
    # Focused, so that its caption is drawn active.
    xdotool windowfocus --sync "$id"
  fi
  kelvr_capture "docs/$name.png" "$id"
}

shot main-window "$main_title"
shot about-window '^ Informazioni su Kelvr' key alt+a
xdotool key Escape
kelvr_wait_gone() { for ((i = 0; i < 40; i++)); do xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0; sleep 0.25; done; }
kelvr_wait_gone '^ Informazioni su Kelvr'
shot maker-window '^Informazioni sul produttore' key alt+q
xdotool key Escape
# The program ends with its Wine prefix, and the Xvfb with it (the EXIT trap).
