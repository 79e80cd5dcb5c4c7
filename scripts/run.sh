#!/usr/bin/env bash
# Installs what is missing, builds kelvr.exe (32-bit Windows, cross-compiled with MinGW-w64)
# and starts it under Wine, in a prefix of its own that is kept between runs
# (build/wineprefix-user: Italian locale, Windows fonts, a 1024x768 virtual desktop).
#   - With a display (DISPLAY set) the program opens there; the script ends when it does and
#     passes its exit code on.
#   - Without one (a server, CI), it runs for a few seconds on an Xvfb started for the
#     purpose (and ended afterwards) and its picture is written to build/kelvr-screenshot.png.
# On Windows none of this is needed: kelvr.exe is a plain Windows program; run it.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash scripts/deps.sh

had_display=${DISPLAY:-}
# shellcheck source=wine-env.sh
source scripts/wine-env.sh
kelvr_build_mingw || exit 1
exe=build/mingw/kelvr.exe
export WINEPREFIX=$KELVR_BUILD_DIR/wineprefix-user
kelvr_ensure_prefix "$WINEPREFIX" || exit 1
# The program, and Wine's own, in the locale of the Italian desktop it was made for.
export LANG=$KELVR_LOCALE LC_ALL=$KELVR_LOCALE

if [ -n "$had_display" ]; then
  export DISPLAY=$had_display
  exec wine "$exe" "$@"
fi

# No display: an Xvfb of this script's own, so that the picture shows only this program.
shot=build/kelvr-screenshot.png
trap 'wineserver -k >/dev/null 2>&1 || true; kelvr_end_private_display' EXIT
kelvr_private_display || exit 1
wine "$exe" "$@" >build/logs/kelvr-run.log 2>&1 &
kelvr_pid=$!
if ! kelvr_wait_window '^ *Kelvaro' 20 "$kelvr_pid" >/dev/null; then
  kill -0 "$kelvr_pid" 2>/dev/null || echo "run.sh: kelvr.exe has ended" >&2
  cat build/logs/kelvr-run.log >&2
  exit 1
fi
sleep 3
kill -0 "$kelvr_pid" 2>/dev/null || {
  kelvr_fail "kelvr.exe ended within 3 seconds of opening its window"
  exit 1
}
kelvr_capture "$shot" || exit 1
echo "No display here (DISPLAY is not set): Kelvr ran for a few seconds on a virtual screen"
echo "(Xvfb $DISPLAY), and this is what it showed: $shot"
