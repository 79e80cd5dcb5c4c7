#!/usr/bin/env bash
# hung-drives-test.sh KELVR_EXE PROBE_EXE [--bench ROUNDS]
# kelvr.exe over drives that stop answering, as a dead network share or a hung driver does:
# FUSE file systems (tests/win/fakedisk.c) linked into the prefix as drive letters, whose
# statfs blocks while the script says so. Wine's drive-type, volume-information and free-space
# calls all run statfs, so a hung drive hangs both its name and its figures.
#
# Each scenario runs kelvr_drive_probe (DriveProbe.cpp): kelvr.exe starts while the drives
# hang, the unit is changed, the drives answer, they hang again, the unit is changed again,
# and kelvr.exe is ended. Scenarios: one hung drive among healthy ones, three, and every drive
# but C: (Z:, Wine's window on the Unix root, taken out). The checks: start-up and each unit
# choice end within 2.5 s, a unit choice does not wait again for drives known to hang, the
# late answers fill in, the window always answers WM_NULL within 200 ms, a screen reader that
# reads the window while it waits is answered within a second, not at the wait's end (300 ms
# into a wait of 2 s), and the program ends within a second of being closed, ended from the
# menu or told that the session ends, with its drives still hanging.
#
# With --bench ROUNDS it checks nothing and prints, as Markdown, the medians and highest of
# each figure over ROUNDS runs with 0, 1 and 3 hung drives.
#
# Needs FUSE that mounts (/dev/fuse, fusermount3, libfuse3's headers, the right to mount):
# exits 77 (skipped) without it.
# Wine's own server asks a drive itself when no process of the prefix holds a handle on it,
# and hangs with it (Windows does not): a helper process holds a file open on every FUSE
# drive before any hangs. A process blocked in FUSE ignores SIGTERM: everything runs under
# `timeout -s KILL`, and the drives are released and unmounted on exit, whatever happens.
set -uo pipefail
# shellcheck source=../../scripts/wine-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh" || exit 1
kelvr=$1
probe=$2
rounds=0
[ "${3:-}" = --bench ] && rounds=${4:-5}

if ! kelvr_have_fuse; then
  echo "hung-drives: FUSE cannot mount here: skipped" >&2
  exit 77
fi

die() {
  kelvr_fail "$@"
  exit 1
}
work=$(mktemp -d "${TMPDIR:-/tmp}/kelvr-hung.XXXXXX")
release() { rm -f "$work"/hang-*; }
# Every fake drive mounted under $work, whichever shell mounted it.
unmount_all() {
  release
  kelvr_unmount_under "$work"
}
cleanup() {
  unmount_all
  kelvr_end_throwaway_prefix
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

kelvr_fakedisk || exit 1
kelvr_use_display || exit 1

# wait_for SECONDS COMMAND...: retries the command every 50 ms for up to SECONDS.
wait_for() {
  local i
  for ((i = 0; i < $1 * 20; i++)); do
    "${@:2}" && return 0
    sleep 0.05
  done
  return 1
}

# stacks: where each thread of the prefix's kelvr.exe waits, for a run in which its window
# stopped answering: the kernel's stack of each (as root) and gdb's backtraces (where gdb is).
stacks() {
  local env pid t
  while IFS= read -r env; do
    pid=${env#/proc/}
    pid=${pid%/environ}
    grep -qa 'kelvr\.exe' "/proc/$pid/cmdline" 2>/dev/null || continue
    echo "== kelvr.exe, process $pid: where its threads wait"
    for t in /proc/"$pid"/task/*; do
      echo "-- thread ${t##*/} $(cat "$t/comm" 2>/dev/null) $(cat "$t/wchan" 2>/dev/null)"
      cat "$t/stack" 2>/dev/null
    done
    if command -v gdb >/dev/null; then
      timeout 60 gdb -p "$pid" -batch -ex 'thread apply all bt 30' 2>&1 | grep -v '^\[New'
    fi
  done < <(grep -lzxF "WINEPREFIX=$WINEPREFIX" /proc/[0-9]*/environ 2>/dev/null)
}

# scenario END HUNG ALL: one run of the probe in a fresh prefix. ALL is the FUSE drives' letters
# (the prefix's D: and E: are taken out, and Z: too when ALL starts with "-"), HUNG those of
# them that hang. Prints the probe's "name value" lines.
scenario() {
  local end=$1 hung=$2 all=$3 letter keep=() out rc
  kelvr_throwaway_prefix || die "could not make the prefix"
  rm -f "$WINEPREFIX/dosdevices/d:" "$WINEPREFIX/dosdevices/e:"
  if [ "${all:0:1}" = - ]; then
    rm -f "$WINEPREFIX/dosdevices/z:"
    all=${all:1}
  fi
  for letter in $all; do
    mkdir -p "$work/mnt-$letter"
    # 20 TiB with 3 TiB free, in blocks of 4 KiB: more clusters than 32 bits count.
    "$KELVR_FAKEDISK" "$work/mnt-$letter" -- 21990232555520 3298534883328 4096 "$work/hang-$letter" \
      "DISCO ${letter^^}" || die "could not mount a fake drive on $work/mnt-$letter"
    ln -sfn "$work/mnt-$letter" "$WINEPREFIX/dosdevices/$letter:"
    keep+=("${letter^^}:\\keep")
  done
  cp "$kelvr" "$WINEPREFIX/drive_c/kelvr.exe"
  cp "$probe" "$WINEPREFIX/drive_c/probe.exe"
  wineserver -p >/dev/null 2>&1
  # (Started in C:\, where every scenario's programs are: Z: may be gone.) The last scenario's
  # output goes first: its "holding" would otherwise be read before this helper has opened
  # anything, and the drives would hang under Wine's own server.
  rm -f "$work/hold.out"
  (cd "$WINEPREFIX/drive_c" && exec timeout -s KILL 300 wine 'C:\probe.exe' hold "${keep[@]}") \
    >"$work/hold.out" 2>&1 &
  wait_for 30 grep -qs holding "$work/hold.out" || die "the helper holds no file on the fake drives"

  hang() { local l; for l in $hung; do : >"$work/hang-$l"; done; }
  hang
  out=$work/probe.out
  (cd "$WINEPREFIX/drive_c" && kelvr_italian timeout -s KILL 240 wine 'C:\probe.exe' run 'C:\kelvr.exe' "$end") \
    >"$out" 2>&1 &
  local pid=$!
  if wait_for 60 test -e "$WINEPREFIX/drive_c/kelvr-step-1"; then
    release
    : >"$WINEPREFIX/drive_c/kelvr-go-2"
    if wait_for 60 test -e "$WINEPREFIX/drive_c/kelvr-step-2"; then
      hang
      : >"$WINEPREFIX/drive_c/kelvr-go-3"
    else
      echo "hung-drives: the probe did not get past the drives' answers" >&2
    fi
  else
    echo "hung-drives: the probe did not get past start-up and the first unit choice" >&2
  fi
  rc=0
  wait "$pid" || rc=$?
  grep -q "still at" "$out" && stacks >&2
  tr -d '\r' <"$out"
  echo "exit $rc"
  unmount_all
  kelvr_end_throwaway_prefix
}

# value NAME: a figure from the output on standard input.
value() { awk -v n="$1" '$1 == n { print $2 }'; }

if [ "$rounds" -gt 0 ]; then
  median() {
    sort -g | awk '{ v[NR] = $1 } END { if (!NR) { print "-"; exit }
      printf "%.1f\n", NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
  }
  highest() { sort -g | tail -n 1; }
  echo "| hung drives | start-up ms | choice, hung known ms | choice, newly hung ms | screen reader's reading ms | filled in ms | ended ms | longest unanswered ms |"
  echo "|------------:|------------:|----------------------:|----------------------:|---------------------------:|-------------:|---------:|----------------------:|"
  for set in "0:" "1:h" "3:h i j"; do
    n=${set%%:*}
    : >"$work/all"
    for ((r = 0; r < rounds; r++)); do scenario close "${set#*:}" "h i j" >>"$work/all"; done
    row="| $n"
    for name in started known_choice choice read_waiting filled ended; do
      row+=" | $(value "$name" <"$work/all" | LC_ALL=C median)"
    done
    row+=" | $(value unanswered <"$work/all" | LC_ALL=C highest) |"
    echo "$row"
  done
  exit 0
fi

failed=0
check() {  # check WHAT OUTPUT NAME OP LIMIT
  local got
  got=$(value "$3" <<<"$2")
  if [ -z "$got" ] || ! LC_ALL=C awk -v g="$got" -v l="$5" "BEGIN { exit !(g >= 0 && g $4 l) }"; then
    echo "FAILED: $1: $3 = ${got:-missing} ms, expected $4 $5" >&2
    failed=$((failed + 1))
  fi
}
# NAME|END|HUNG|ALL, as scenario takes them.
for s in "1|fine|h|h i" "3|close|h i j|h i j" "all but C:|endsession|d e f g h|-d e f g h"; do
  IFS='|' read -r name end hung all <<<"$s"
  echo "== $name hung, ended by $end"
  # (In this shell, not a subshell: the EXIT trap must see its prefix and mounts.)
  scenario "$end" "$hung" "$all" >"$work/out"
  out=$(cat "$work/out")
  echo "$out"
  check "$name" "$out" started '<=' 2500
  check "$name" "$out" known_choice '<' 1000  # not waited for again
  check "$name" "$out" filled '<=' 5000
  [ "$end" != endsession ] && check "$name" "$out" choice '<=' 2500
  [ "$end" != endsession ] && check "$name" "$out" choice '>=' 1500  # they did hang again
  [ "$end" != endsession ] && check "$name" "$out" read_waiting '<' 1000
  check "$name" "$out" ended '<=' 1000
  check "$name" "$out" unanswered '<=' 200
  grep -qx "exit 0" <<<"$out" || { echo "FAILED: $name: the probe or kelvr.exe failed" >&2; failed=$((failed + 1)); }
done
echo "hung drives: $failed failed"
[ "$failed" = 0 ]
