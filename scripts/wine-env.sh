# shellcheck shell=bash
# Sourced by Kelvr's scripts that run Windows programs under Wine (bash only):
#
#   source scripts/wine-env.sh || exit 1
#
# Sourcing sets variables and defines functions, nothing else: no trap, no shell option, no
# locale (the Windows programs get the Italian one from kelvr_italian and kelvr_wine). Each
# function says on standard error what went wrong and returns a status; the script that calls
# it decides whether to go on. The functions, by concern:
#   wine-prefix.sh    the prefixes: the template made once per build tree and Windows width,
#                     the throwaway copy a run gets, the registry, running a program;
#   wine-display.sh   the X display: the shared Xvfb, private ones, waiting for a window,
#                     pictures;
#   wine-fixtures.sh  the drives and folders a run gets or asks for: drive D:, the missing E:,
#                     the folder loop, the 40,000-folder wide folder, the fake drives of real
#                     large sizes (FUSE), a drive at every letter; and the ctest fixtures that
#                     make the costly ones once per ctest run.
#
# Wine is set up to look like a user's Italian Windows desktop: Italian user locale, Wine's own
# fonts and metric-compatible replacements for Arial, Courier New and Garamond, a 1024x768
# virtual desktop (window rectangles are screen pixels), and the user's folders real folders
# inside the prefix.
#
# Settings read from the environment:
#   KELVR_BUILD_DIR       where templates and logs go (default: <repo>/build)
#   KELVR_WINE_ARCH       win32 (the default) or win64: the Windows of the prefixes, 32-bit,
#                         or 64-bit for the 64-bit build's tests (which needs wine64)
#   KELVR_DISPLAY         X display for the Windows programs; when unset, the tests use Xvfb
#                         :98 (started if it is not running, and left running), and the
#                         scripts that take pictures or type keys an Xvfb of their own
#   KELVR_KEEP_PREFIX=1   keep a throwaway prefix after the run, for debugging (path on stderr)
#   KELVR_DPI             the screen's dots per inch in a throwaway prefix (default: 96)
#   KELVR_DESKTOP         the virtual desktop's size in a throwaway prefix (default: 1024x768)
#   KELVR_XVFB_SCREEN     the size of an Xvfb these scripts start (default: 1280x1024); it
#                         must hold the desktop
#   KELVR_WIDE_FIXTURE=1  a throwaway prefix also gets C:\kelvr-wide, 40,000 subfolders
#   KELVR_FAKE_DRIVES=1   a throwaway prefix also gets drives F: to I: of real large sizes
#                         (FUSE; none without it)

KELVR_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
KELVR_BUILD_DIR=${KELVR_BUILD_DIR:-$KELVR_ROOT/build}

# kelvr_fail MESSAGE: says what went wrong, named after the script, and fails.
kelvr_fail() {
  echo "${0##*/}: $*" >&2
  return 1
}

# kelvr_build_mingw: configures (once) and builds the mingw preset quietly; on failure shows
# the end of the log.
kelvr_build_mingw() {
  local step cmd log
  mkdir -p "$KELVR_BUILD_DIR/logs" || return
  for step in configure build; do
    if [ "$step" = configure ]; then
      [ -f "$KELVR_ROOT/build/mingw/build.ninja" ] && continue
      cmd=(cmake --preset mingw)
    else
      cmd=(cmake --build --preset mingw)
    fi
    log=$KELVR_BUILD_DIR/logs/$step-mingw.log
    if ! (cd "$KELVR_ROOT" && "${cmd[@]}") >"$log" 2>&1; then
      tail -n 60 "$log" >&2
      kelvr_fail "${cmd[*]} failed (full log: $log)"
      return
    fi
  done
}

# shellcheck source=wine-prefix.sh
source "$KELVR_ROOT/scripts/wine-prefix.sh" || return
# shellcheck source=wine-display.sh
source "$KELVR_ROOT/scripts/wine-display.sh" || return
# shellcheck source=wine-fixtures.sh
source "$KELVR_ROOT/scripts/wine-fixtures.sh" || return
