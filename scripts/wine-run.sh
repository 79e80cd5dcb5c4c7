#!/usr/bin/env bash
# wine-run.sh EXE [ARGS...]
# Runs a Windows program under Wine on a throwaway Italian Windows desktop (see wine-env.sh):
# a fresh copy of the build tree's template prefix, with drive D: labelled "DATI KELVR"
# (its Unix folder is in $KELVR_TEST_DRIVE_D) and a drive E: that cannot be measured, and
# what KELVR_WIDE_FIXTURE, KELVR_FAKE_DRIVES, KELVR_DPI and KELVR_DESKTOP ask for, on Xvfb :98
# (or $KELVR_DISPLAY). Prints the program's output without carriage returns and exits with the
# program's exit code. The copy is deleted afterwards, unless KELVR_KEEP_PREFIX=1.
# The Windows tests are registered with ctest through this script.
set -euo pipefail
# shellcheck source=wine-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

if [ $# -lt 1 ]; then
  echo "usage: ${0##*/} EXE [ARGS...]" >&2
  exit 2
fi
exe=$1
shift
[ -f "$exe" ] || { kelvr_fail "no such program: $exe"; exit 1; }

trap kelvr_end_throwaway_prefix EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
kelvr_use_display || exit 1
kelvr_throwaway_prefix || exit 1

rc=0
kelvr_wine "$exe" "$@" || rc=$?
exit "$rc"
