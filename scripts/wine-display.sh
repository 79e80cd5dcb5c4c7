# shellcheck shell=bash
# The X display the Windows programs draw on, sourced by wine-env.sh: the shared Xvfb of the
# tests, private ones for the scripts that take pictures or type keys, waiting for a window,
# and pictures of windows.

KELVR_XVFB_DISPLAY=:98

# kelvr_use_display: sets DISPLAY for the Windows programs. Without KELVR_DISPLAY, that is
# Xvfb :98, shared by all runs and started when it is not answering. It is left running for
# the next run: starting it again each time costs a second, and other runs may be using it.
# Windows of runs that share it overlap; for pictures and keys use kelvr_private_display.
kelvr_use_display() {
  if [ -n "${KELVR_DISPLAY:-}" ]; then
    export DISPLAY=$KELVR_DISPLAY
    return 0
  fi
  export DISPLAY=$KELVR_XVFB_DISPLAY
  kelvr_display_answers && return 0
  local fd rc=0
  exec {fd}>"${TMPDIR:-/tmp}/kelvr-xvfb${DISPLAY#:}.lock" || return
  flock "$fd" || rc=1
  if [ "$rc" = 0 ] && ! kelvr_display_answers; then
    kelvr_start_xvfb "$DISPLAY" || rc=1
  fi
  exec {fd}>&-
  [ "$rc" = 0 ] || kelvr_fail "Xvfb $DISPLAY did not start"
}

# kelvr_private_display: starts an Xvfb for this script alone, on the first free display from
# :99 up, and exports DISPLAY (KELVR_DISPLAY, when set, is used instead). Pictures taken there
# show only this script's windows, and keys typed there reach no other run's.
# kelvr_end_private_display ends that Xvfb.
kelvr_private_display() {
  if [ -n "${KELVR_DISPLAY:-}" ]; then
    export DISPLAY=$KELVR_DISPLAY
    return 0
  fi
  local n
  for ((n = 99; n < 160; n++)); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    # Another script may take the same number at the same moment: then try the next one.
    if kelvr_start_xvfb ":$n" 2>/dev/null; then
      KELVR_PRIVATE_XVFB=$KELVR_XVFB_PID
      export DISPLAY=:$n
      return 0
    fi
  done
  kelvr_fail "found no free X display number for Xvfb"
}

kelvr_end_private_display() {
  if [ -n "${KELVR_PRIVATE_XVFB:-}" ]; then
    kill "$KELVR_PRIVATE_XVFB" 2>/dev/null || true
    KELVR_PRIVATE_XVFB=
  fi
}

# kelvr_start_xvfb :N: starts Xvfb on display :N and waits (up to 10 s) until it answers; sets
# KELVR_XVFB_PID. Runs it under setsid with its standard streams closed: it must not hold a
# caller's terminal or pipe (ctest waits for the pipes of a test to close).
kelvr_start_xvfb() {
  local display=$1 log="${TMPDIR:-/tmp}/kelvr-xvfb${1#:}.log" i
  setsid Xvfb "$display" -screen 0 "${KELVR_XVFB_SCREEN:-1280x1024}x24" -nolisten tcp \
    </dev/null >"$log" 2>&1 &
  KELVR_XVFB_PID=$!
  for ((i = 0; i < 100; i++)); do
    DISPLAY=$display kelvr_display_answers && return 0
    kill -0 "$KELVR_XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  kill "$KELVR_XVFB_PID" 2>/dev/null || true
  cat "$log" >&2
  return 1
}

kelvr_display_answers() {
  xdotool getdisplaygeometry >/dev/null 2>&1
}

# kelvr_wait_window PATTERN [SECONDS] [PID]: waits (20 s by default) until a visible window
# whose title matches the regular expression PATTERN exists on $DISPLAY, and prints its X
# window id. With PID, only windows of that process count (Wine marks each X window with the
# Unix process id of its Windows program). On the virtual desktop each top-level Windows
# window is an X window of its own, titled like its caption.
kelvr_wait_window() {
  local pattern=$1 seconds=${2:-20} pid=${3:-} id i filter=()
  # (--all: without it xdotool lists the windows that meet any one of the conditions.)
  [ -n "$pid" ] && filter=(--pid "$pid")
  for ((i = 0; i < seconds * 4; i++)); do
    id=$(xdotool search --all --onlyvisible "${filter[@]}" --name "$pattern" 2>/dev/null | head -n 1 || true)
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.25
  done
  kelvr_fail "no window titled like '$pattern' appeared within $seconds s"
}

# kelvr_capture FILE.png [WINDOW_ID]: writes a picture of one window (caption, menu and frame
# included), or of the whole 1024x768 virtual desktop when no window is given. Waits first a
# second, then until the picture has stayed the same for half a second (at most about 6 s in
# all), so that painting and activation have finished. The PNG carries no time stamps: the
# same pixels give the same file.
kelvr_capture() {
  local file=$1 id=${2:-} target=(-window root -crop 1024x768+0+0 +repage) last="" now same=0 i
  [ -n "$id" ] && target=(-window "$id")
  mkdir -p "$(dirname "$file")" || return
  sleep 1
  for ((i = 0; i < 20 && same < 2; i++)); do
    sleep 0.25
    now=$(import "${target[@]}" rgb:- | md5sum || true)
    if [ "$now" = "$last" ]; then same=$((same + 1)); else same=0; fi
    last=$now
  done
  import "${target[@]}" -strip -define png:exclude-chunks=date,time "$file" ||
    kelvr_fail "could not take the picture $file"
}
