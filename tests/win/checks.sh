# shellcheck shell=bash
# Sourced by the Windows tests that drive kelvr.exe as a user does (bash only): checks counted
# as they pass or fail, retries while windows take a moment, and the windows read and typed
# into. The caller sets $probe to kelvr_probe.exe.

passed=0
failed=0

# check DESCRIPTION COMMAND...: runs the command and counts it passed or failed.
check() {
  local what=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $what" >&2
  fi
}

# until_ SECONDS COMMAND...: retries the command every tenth of a second for a while.
until_() {
  local seconds=$1 i
  shift
  for ((i = 0; i < seconds * 10; i++)); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

# probe COMMAND ARG...: asks kelvr_probe (tests/win/KelvrProbe.cpp) about the windows.
# shellcheck disable=SC2154 # $probe is the caller's, set before it probes
probe() { kelvr_italian wine "$probe" "$@" 2>/dev/null | tr -d '\r'; }
shown() { probe exists "$1" >/dev/null; }
gone() { ! shown "$1"; }

# keys TITLE KEY...: types into the window whose caption starts with TITLE. Keys go to the X
# window that has the input focus, and each Windows window is an X window of its own. The
# checks that follow wait for what the keys do: the keys need no pause after them, and the
# X server queues them in order, so that a menu opened by one gets the next.
keys() {
  local title=$1 window
  shift
  window=$(xdotool search --onlyvisible --name "^$title" 2>/dev/null | head -n 1)
  [ -n "$window" ] && xdotool windowfocus --sync "$window" 2>/dev/null
  xdotool key --delay 100 "$@"
}

# checks_summary NAME: prints the counts; succeeds when nothing failed.
checks_summary() {
  echo "$1: $passed passed, $failed failed"
  [ "$failed" = 0 ]
}
