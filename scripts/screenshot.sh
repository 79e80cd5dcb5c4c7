#!/usr/bin/env bash
# Takes the pictures of Kelvr's windows shown in the README, in docs/:
#   main-window.png, about-window.png, maker-window.png   at 96 DPI (100 %)
#   the same with -120, -144 and -192 before .png          at 120, 144 and 192 DPI
#   main-window-26-drives.png                              26 drives on a 1024x768 screen
#   main-window-large-drives.png   in bytes, at 120 DPI, with drives of up to 2^64 bytes and
#                                  labels too long for their cells or in other scripts
#                                  (KELVR_FAKE_DRIVES; none without FUSE)
#   main-window-high-contrast.png, about-window-high-contrast.png,
#   maker-window-high-contrast.png  in a high-contrast scheme (white on black); Wine reports
#                                  no such scheme, so these show tests/win/HighContrastKelvr.cpp,
#                                  the program told it in the system's place
# `screenshot.sh high-contrast` takes only the last three.
# kelvr.exe runs under Wine on a throwaway Italian desktop, the same as the Windows tests get
# (drive D: "DATI KELVR", a drive E: that cannot be measured; see wine-fixtures.sh), on an Xvfb of
# its own (or $KELVR_DISPLAY), so that no other program's window gets into the picture.
# Builds the mingw preset first when it is out of date.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash scripts/deps.sh

# shellcheck source=wine-env.sh
source scripts/wine-env.sh
kelvr_build_mingw || exit 1
exe=build/mingw/kelvr.exe
# The main window's caption starts with "Kelvaro"; the other windows' captions do not.
main_title='^ *Kelvaro'

trap 'kelvr_end_throwaway_prefix; kelvr_end_private_display' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
# Room for the main window at 192 DPI, which is wider than 1024 pixels.
export KELVR_XVFB_SCREEN=1600x1200
kelvr_private_display || exit 1

# start [EXE]: starts kelvr.exe (or EXE) in the current prefix and waits for its main window
# ($main).
start() {
  kelvr_start "${1:-$exe}" >"$KELVR_RUN_DIR/kelvr.log" 2>&1
  kelvr_pid=$KELVR_PID
  if ! main=$(kelvr_wait_window "$main_title" 20 "$kelvr_pid"); then
    kill -0 "$kelvr_pid" 2>/dev/null || echo "screenshot.sh: kelvr.exe has ended" >&2
    cat "$KELVR_RUN_DIR/kelvr.log" >&2
    exit 1
  fi
}

# shot NAME WINDOW [XDOTOOL_ARGS...]
#   Runs `xdotool XDOTOOL_ARGS...` with the main window focused, when given (keys to type or
#   clicks), then writes docs/NAME.png: the window whose caption matches the regular expression
#   WINDOW, focused first so that it is drawn active.
shot() {
  local name=$1 window=$2 id
  shift 2
  kill -0 "$kelvr_pid" 2>/dev/null || {
    kelvr_fail "kelvr.exe ended before the picture $name"
    exit 1
  }
  if [ $# -gt 0 ]; then
    xdotool windowfocus --sync "$main"
    xdotool "$@"
  fi
  id=$(kelvr_wait_window "$window" 10 "$kelvr_pid") || exit 1
  xdotool windowfocus --sync "$id"
  kelvr_capture "docs/$name.png" "$id" || exit 1
}

gone() {
  local i
  for ((i = 0; i < 40; i++)); do
    xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
    sleep 0.25
  done
}

# The system colours of a high-contrast scheme, white on black with yellow links, as the
# registry holds them.
high_contrast_colours() {
  cat <<'EOF'
REGEDIT4

[HKEY_CURRENT_USER\Control Panel\Colors]
"ActiveBorder"="128 0 128"
"ActiveTitle"="128 0 128"
"AppWorkspace"="0 0 0"
"Background"="0 0 0"
"ButtonAlternateFace"="0 0 0"
"ButtonDkShadow"="255 255 255"
"ButtonFace"="0 0 0"
"ButtonHilight"="255 255 255"
"ButtonLight"="192 192 192"
"ButtonShadow"="128 128 128"
"ButtonText"="255 255 255"
"GradientActiveTitle"="128 0 128"
"GradientInactiveTitle"="0 128 0"
"GrayText"="0 255 0"
"Hilight"="0 255 255"
"HilightText"="0 0 0"
"HotTrackingColor"="255 255 0"
"InactiveBorder"="0 128 0"
"InactiveTitle"="0 128 0"
"InactiveTitleText"="255 255 255"
"InfoText"="255 255 255"
"InfoWindow"="0 0 0"
"Menu"="0 0 0"
"MenuBar"="0 0 0"
"MenuHilight"="128 0 128"
"MenuText"="255 255 255"
"Scrollbar"="0 0 0"
"TitleText"="255 255 255"
"Window"="0 0 0"
"WindowFrame"="255 255 255"
"WindowText"="255 255 255"
EOF
}

# The three windows in that scheme.
high_contrast_shots() {
  kelvr_throwaway_prefix || exit 1
  high_contrast_colours >"$WINEPREFIX/drive_c/kelvr-colours.reg"
  wine reg import 'C:\kelvr-colours.reg' >/dev/null 2>&1 || {
    kelvr_fail "could not set the high-contrast colours"
    exit 1
  }
  kelvr_end_server
  start build/mingw/tests/win/kelvr_high_contrast.exe
  shot main-window-high-contrast "$main_title"
  shot about-window-high-contrast '^ Informazioni su Kelvr' key alt+a
  xdotool key Escape
  gone '^ Informazioni su Kelvr'
  shot maker-window-high-contrast '^Informazioni sul produttore' key alt+q
  xdotool key Escape
  kelvr_end_throwaway_prefix
}

if [ "${1:-}" = high-contrast ]; then
  high_contrast_shots
  exit 0
fi

for dpi in 96 120 144 192; do
  suffix=-$dpi
  [ "$dpi" = 96 ] && suffix=
  KELVR_DPI=$dpi KELVR_DESKTOP=1600x1200 kelvr_throwaway_prefix || exit 1
  start
  shot "main-window$suffix" "$main_title"
  shot "about-window$suffix" '^ Informazioni su Kelvr' key alt+a
  xdotool key Escape
  gone '^ Informazioni su Kelvr'
  shot "maker-window$suffix" '^Informazioni sul produttore' key alt+q
  xdotool key Escape
  kelvr_end_throwaway_prefix
done

# Large drives and long or foreign labels, in bytes.
KELVR_DPI=120 KELVR_FAKE_DRIVES=1 KELVR_DESKTOP=1600x1200 kelvr_throwaway_prefix || exit 1
start
shot main-window-large-drives "$main_title" key alt+u b
kelvr_end_throwaway_prefix

# Twenty-six drives on a 1024x768 screen, scrolled half way.
KELVR_DESKTOP=1024x768 kelvr_throwaway_prefix || exit 1
kelvr_every_letter || exit 1
start
shot main-window-26-drives "$main_title" key Next
kelvr_end_throwaway_prefix

high_contrast_shots
# The program ends with its Wine prefix, and the Xvfb with it (the EXIT trap).
