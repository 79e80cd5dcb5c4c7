#!/usr/bin/env bash
# hung-tool-test.sh TESTS_EXE PROBE_EXE
# "? Sistema" while the registry's PATH names a file on a share that stops answering: a FUSE
# file system (tests/win/fakedisk.c) linked into the prefix as drive H:, whose one file
# H:\MSINFO32.EXE hangs on every lookup while the script says so. The drive itself answers:
# only that file's lookup hangs (a hung lookup of a drive's root would stall every Wine process
# of the prefix). The test HungToolPath in TESTS_EXE (SysInfoTest.cpp) then drives kelvr.exe
# from its own process: the maker window must answer WM_NULL within 200 ms all along, and the
# click must go on, once the launcher's bound is over, to the tool of the second lookup.
#
# Needs FUSE that mounts (/dev/fuse, fusermount3, libfuse3's headers, the right to mount):
# exits 77 (skipped) without it.
# A helper process (PROBE_EXE hold) holds a file open on the drive before the hang, so that
# Wine's own server does not ask the drive itself and hang with it. A process blocked in FUSE
# ignores SIGTERM: everything runs under `timeout -s KILL`, and the hang is released and the
# drive unmounted on exit, whatever happens.
set -uo pipefail
# shellcheck source=../../scripts/wine-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh" || exit 1
tests=$1
probe=$2
: "${KELVR_EXE:?run through ctest: KELVR_EXE and KELVR_STUB_TOOL are set there}"
: "${KELVR_STUB_TOOL:?}"

if ! kelvr_have_fuse; then
  echo "hung-tool: FUSE cannot mount here: skipped" >&2
  exit 77
fi

flag=
# shellcheck disable=SC2317 # run by the EXIT trap
cleanup() {
  [ -n "$flag" ] && rm -f "$flag"
  # (It unmounts the drive, inside the run's folder, once the prefix's processes have ended.)
  kelvr_end_throwaway_prefix
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

kelvr_use_display || exit 1
kelvr_throwaway_prefix || exit 1
kelvr_fakedisk || exit 1
run=$KELVR_RUN_DIR
flag=$run/hang
mkdir -p "$run/mnt-h"
"$KELVR_FAKEDISK" "$run/mnt-h" -- 1073741824 536870912 4096 "$flag" "" MSINFO32.EXE || {
  kelvr_fail "could not mount the fake drive on $run/mnt-h"
  exit 1
}
ln -sfn "$run/mnt-h" "$WINEPREFIX/dosdevices/h:"

wineserver -p >/dev/null 2>&1
rm -f "$run/hold.out"
(cd "$WINEPREFIX/drive_c" && exec timeout -s KILL 120 wine "$probe" hold 'H:\keep') \
  >"$run/hold.out" 2>&1 &
for ((i = 0; i < 400; i++)); do
  grep -qs holding "$run/hold.out" && break
  sleep 0.05
done
grep -qs holding "$run/hold.out" || {
  kelvr_fail "the helper holds no file on the fake drive"
  exit 1
}

: >"$flag"
rc=0
(cd "$WINEPREFIX/drive_c" && KELVR_HUNG_TOOL='H:\MSINFO32.EXE' KELVR_HANG_FLAG=$flag \
  kelvr_italian timeout -s KILL 120 wine "$tests" --gtest_filter='HungToolPath.*') \
  >"$run/test.out" 2>&1 || rc=$?
tr -d '\r' <"$run/test.out"
if [ "$rc" = 0 ] && ! grep -q '^\[  PASSED  \] 1 test' "$run/test.out"; then
  echo "hung-tool: the test did not run" >&2
  rc=1
fi
exit "$rc"
