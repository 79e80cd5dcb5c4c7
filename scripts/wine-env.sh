# Sourced by Kelvr's scripts that run Windows programs under Wine (bash only).
#
# Wine is set up to look like a user's Italian Windows desktop:
#   - Italian user locale (thousands ".", decimal ","), through LANG/LC_ALL=it_IT.UTF-8;
#   - Wine's own fonts linked into C:\windows\Fonts, Arial, Courier New and Garamond replaced by
#     metric-compatible fonts, so windows are drawn as designed;
#   - a virtual desktop "Default" of 1024x768: Wine draws captions and menus itself and the
#     desktop sits at (0,0) of the X display, so window rectangles are screen pixels;
#   - the user's folders (Desktop, Documents, ...) are real folders inside the prefix, not links
#     to the Unix home, so nothing a program does there leaves the prefix.
#
# A prefix is slow to make, so it is made once per build tree and Windows width, as a template
# (build/wineprefix-template, build/wineprefix-template-win64), and copied, much faster, for
# each run. A throwaway copy also gets
#   D: -> a folder made for the run, labelled "DATI KELVR" (serial number 4B454C56), holding
#         a few files ($KELVR_TEST_DRIVE_D is its Unix path);
#   E: -> a path that does not exist: a drive that is listed but cannot be measured;
#   C:\Programmi\KelvrLoop\inner\up -> a link back to C:\Programmi\KelvrLoop (a loop).
#
# Settings read from the environment:
#   KELVR_BUILD_DIR       where templates and logs go (default: <repo>/build)
#   KELVR_WINE_ARCH       win32 (the default) or win64: the Windows of the prefixes, 32-bit,
#                         or 64-bit for the 64-bit build's tests (which needs wine64)
#   KELVR_DISPLAY         X display for the Windows programs; when unset, the tests use Xvfb
#                         :98 (started if it is not running, and left running), and the
#                         scripts that take pictures an Xvfb of their own
#   KELVR_KEEP_PREFIX=1   keep a throwaway prefix after the run, for debugging (path on stderr)
#   KELVR_DPI             the screen's dots per inch in a throwaway prefix (default: 96)
#   KELVR_DESKTOP         the virtual desktop's size in a throwaway prefix (default: 1024x768)
#   KELVR_XVFB_SCREEN     the size of an Xvfb this script starts (default: 1280x1024); it
#                         must hold the desktop
#   KELVR_FAKE_DRIVES=1   a throwaway prefix also gets drives F: to I: of real large sizes, FUSE
#                         file systems (tests/win/fakedisk.c) that report them; see
#                         kelvr_mount_fake_drives. Needs FUSE (/dev/fuse, fusermount3,
#                         libfuse3-dev): without it there are none, and KELVR_FAKE_DRIVE_LIST,
#                         which names them to the tests, is empty.

KELVR_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
KELVR_BUILD_DIR=${KELVR_BUILD_DIR:-$KELVR_ROOT/build}
KELVR_WINE_ARCH=${KELVR_WINE_ARCH:-win32}
case $KELVR_WINE_ARCH in
  win32) KELVR_WINE_TEMPLATE=$KELVR_BUILD_DIR/wineprefix-template ;;
  win64) KELVR_WINE_TEMPLATE=$KELVR_BUILD_DIR/wineprefix-template-win64 ;;
  *) echo "${0##*/}: KELVR_WINE_ARCH is win32 or win64, not '$KELVR_WINE_ARCH'" >&2; exit 1 ;;
esac
KELVR_XVFB_DISPLAY=:98
KELVR_DRIVE_D_LABEL="DATI KELVR"
# Bump when the recipe in kelvr_make_prefix changes: templates made by an older recipe are
# then made again.
KELVR_PREFIX_RECIPE=1

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=it_IT.UTF-8
export LC_ALL=it_IT.UTF-8
# With wine64 installed, Wine makes a new prefix 64-bit unless told otherwise; a prefix keeps
# the width it was made with, and the 32-bit tests must run on a 32-bit Windows.
export WINEARCH=$KELVR_WINE_ARCH

# kelvr_build_mingw: configures (once) and builds the mingw preset quietly; on failure shows
# the end of the log and stops.
kelvr_build_mingw() {
  local step cmd
  mkdir -p "$KELVR_BUILD_DIR/logs"
  for step in configure build; do
    if [ "$step" = configure ]; then
      [ -f "$KELVR_ROOT/build/mingw/build.ninja" ] && continue
      cmd=(cmake --preset mingw)
    else
      cmd=(cmake --build --preset mingw)
    fi
    if ! (cd "$KELVR_ROOT" && "${cmd[@]}") >"$KELVR_BUILD_DIR/logs/$step-mingw.log" 2>&1; then
      tail -n 60 "$KELVR_BUILD_DIR/logs/$step-mingw.log" >&2
      kelvr_die "${cmd[*]} failed (full log: $KELVR_BUILD_DIR/logs/$step-mingw.log)"
    fi
  done
}

# kelvr_reg ARGS...: `wine reg ARGS`, on the registry that the prefix's own programs see. In a
# 64-bit prefix Wine's reg.exe runs as a 32-bit program, whose HKLM\Software is the 32-bit
# view (Wow6432Node), which a 64-bit program does not read.
kelvr_reg() {
  if [ "$KELVR_WINE_ARCH" = win64 ]; then
    wine reg "$@" /reg:64
  else
    wine reg "$@"
  fi
}

kelvr_die() {
  echo "${0##*/}: $*" >&2
  exit 1
}

# The registry settings of every prefix. REGEDIT4 is what `wine reg import` reads.
kelvr_prefix_reg() {
  cat <<'EOF'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"Arial"="Liberation Sans"
"Courier New"="Liberation Mono"
"Garamond"="EB Garamond 12"

[HKEY_CURRENT_USER\Software\Wine\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"Default"="1024x768"
EOF
}

# What a prefix made now would be made from; stored beside a prefix as its stamp.
kelvr_prefix_stamp() {
  echo "recipe $KELVR_PREFIX_RECIPE; $KELVR_WINE_ARCH; $(wine --version); $(kelvr_prefix_reg | md5sum | cut -d' ' -f1)"
}

# kelvr_make_prefix DIR: makes a fresh prefix in DIR (replacing what is there), then writes
# DIR.stamp. The prefix is made under another name and renamed when complete, so an
# interrupted run never leaves a half-made prefix that looks finished.
kelvr_make_prefix() {
  local dir=$1 new="$1.new" log="$1.log" link rc=0 errexit=0
  rm -rf "$new" "$dir" "$dir.stamp"
  mkdir -p "$(dirname "$dir")"
  : >"$log"
  # The steps run in a subshell with errexit; errexit is off around it, since bash ignores
  # errexit inside anything run as a condition (if, ||).
  [[ $- == *e* ]] && errexit=1
  set +e
  (
    set -e
    export WINEPREFIX=$new
    env -u DISPLAY wine wineboot -i
    wineserver -w
    # Debian's Wine does not find its own fonts without this link.
    ln -sf /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
    # Links into the Unix home become plain folders.
    find "$WINEPREFIX/drive_c/users" -type l -print0 | while IFS= read -r -d '' link; do
      rm -f "$link"
      mkdir -p "$link"
    done
    kelvr_prefix_reg >"$WINEPREFIX/drive_c/kelvr-prefix.reg"
    env -u DISPLAY wine reg import 'C:\kelvr-prefix.reg'
    rm -f "$WINEPREFIX/drive_c/kelvr-prefix.reg"
    wineserver -k || true
    wineserver -w
    # The registry is on disk now that the server has ended: check that the settings took.
    grep -qF '"Garamond"="EB Garamond 12"' "$WINEPREFIX/user.reg"
    grep -qF '"Default"="1024x768"' "$WINEPREFIX/user.reg"
    [ -e "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf" ]
  ) >>"$log" 2>&1
  rc=$?
  [ "$errexit" = 1 ] && set -e
  if [ "$rc" != 0 ]; then
    tail -n 30 "$log" >&2
    rm -rf "$new"
    kelvr_die "could not make the Wine prefix $dir (log: $log)"
  fi
  mv "$new" "$dir"
  kelvr_prefix_stamp >"$dir.stamp"
}

# kelvr_ensure_prefix DIR: makes the prefix in DIR unless it is there and current.
# A lock keeps two scripts started together from making it twice.
kelvr_ensure_prefix() {
  local dir=$1 fd
  mkdir -p "$(dirname "$dir")"
  exec {fd}>"$dir.lock"
  flock "$fd"
  if [ ! -d "$dir" ] || [ "$(cat "$dir.stamp" 2>/dev/null)" != "$(kelvr_prefix_stamp)" ]; then
    kelvr_make_prefix "$dir"
  fi
  exec {fd}>&-
}

# kelvr_use_display: sets DISPLAY for the Windows programs. Without KELVR_DISPLAY, that is
# Xvfb :98, shared by all runs and started when it is not answering. It is left running for
# the next run: starting it again each time costs a second, and other runs may be using it.
# Windows of runs that share it overlap; for pictures use kelvr_private_display.
kelvr_use_display() {
  if [ -n "${KELVR_DISPLAY:-}" ]; then
    export DISPLAY=$KELVR_DISPLAY
    return
  fi
  export DISPLAY=$KELVR_XVFB_DISPLAY
  kelvr_display_answers && return
  local fd
  exec {fd}>"${TMPDIR:-/tmp}/kelvr-xvfb${DISPLAY#:}.lock"
  flock "$fd"
  if ! kelvr_display_answers; then
    kelvr_start_xvfb "$DISPLAY" || kelvr_die "Xvfb $DISPLAY did not start"
  fi
  exec {fd}>&-
}

# kelvr_private_display: starts an Xvfb for this script alone, on the first free display from
# :99 up, and exports DISPLAY (KELVR_DISPLAY, when set, is used instead). Pictures taken there
# show only this script's windows. kelvr_end_private_display ends that Xvfb.
kelvr_private_display() {
  if [ -n "${KELVR_DISPLAY:-}" ]; then
    export DISPLAY=$KELVR_DISPLAY
    return
  fi
  local n
  for ((n = 99; n < 160; n++)); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    # Another script may take the same number at the same moment: then try the next one.
    if kelvr_start_xvfb ":$n" 2>/dev/null; then
      KELVR_PRIVATE_XVFB=$KELVR_XVFB_PID
      export DISPLAY=:$n
      return
    fi
  done
  kelvr_die "found no free X display number for Xvfb"
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

# kelvr_throwaway_prefix: copies the template into a new temporary folder, adds drives D: and
# E: and the folder loop, and exports WINEPREFIX and KELVR_TEST_DRIVE_D. Call kelvr_end_throwaway_prefix when done
# (from an EXIT trap). Copies left behind by runs that were killed are removed first.
kelvr_throwaway_prefix() {
  kelvr_ensure_prefix "$KELVR_WINE_TEMPLATE"
  kelvr_sweep_stale_prefixes
  # The name holds the owner's process id, for kelvr_sweep_stale_prefixes.
  KELVR_RUN_DIR=$(mktemp -d "${TMPDIR:-/tmp}/kelvr-wine.$$.XXXXXX")
  cp -a "$KELVR_WINE_TEMPLATE" "$KELVR_RUN_DIR/prefix"
  export WINEPREFIX=$KELVR_RUN_DIR/prefix

  local d=$KELVR_RUN_DIR/drive-d
  mkdir -p "$d/Documenti" "$d/Archivio"
  printf '%s' "$KELVR_DRIVE_D_LABEL" >"$d/.windows-label"
  printf '%s' 4b454c56 >"$d/.windows-serial"
  printf 'Disco dei dati di prova di Kelvr.\r\n' >"$d/Leggimi.txt"
  printf 'Relazione trimestrale\r\nSpazio occupato: poco.\r\n' >"$d/Documenti/Relazione.txt"
  head -c 65536 /dev/zero >"$d/Archivio/dati.bin"
  ln -sfn "$d" "$WINEPREFIX/dosdevices/d:"
  ln -sfn "$KELVR_RUN_DIR/missing-drive-e" "$WINEPREFIX/dosdevices/e:"
  # A folder tree that never ends, for code that walks folders: C:\Programmi\KelvrLoop\inner\up
  # is a link back to C:\Programmi\KelvrLoop.
  mkdir -p "$WINEPREFIX/drive_c/Programmi/KelvrLoop/inner"
  ln -sfn .. "$WINEPREFIX/drive_c/Programmi/KelvrLoop/inner/up"
  export KELVR_TEST_DRIVE_D=$d
  # KELVR_WIDE_FIXTURE=1: C:\kelvr-wide, one folder holding 40,000 subfolders and MSINFO32.EXE,
  # named to the tests in KELVR_WIDE_FOLDER. (Made here: under Wine each new folder costs a read
  # of the whole folder, and making these would take minutes.)
  if [ -n "${KELVR_WIDE_FIXTURE:-}" ]; then
    mkdir "$WINEPREFIX/drive_c/kelvr-wide"
    (cd "$WINEPREFIX/drive_c/kelvr-wide" && mkdir d{0..39999} && : >MSINFO32.EXE)
    export KELVR_WIDE_FOLDER='C:\kelvr-wide'
  fi
  # (Before any Wine process of the prefix starts: Wine reads the volume labels as it starts.)
  if [ -n "${KELVR_FAKE_DRIVES:-}" ]; then
    kelvr_mount_fake_drives
  fi
  # KELVR_DPI=120 (say): a screen of that many dots per inch instead of 96.
  if [ -n "${KELVR_DPI:-}" ]; then
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$KELVR_DPI" /f \
      >/dev/null 2>&1 || kelvr_die "could not set the screen to $KELVR_DPI DPI"
  fi
  # KELVR_DESKTOP=800x600 (say): a virtual desktop, and so a screen, of that size.
  # The desktop takes its size as the prefix's server starts: it is started afresh.
  if [ -n "${KELVR_DESKTOP:-}" ]; then
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$KELVR_DESKTOP" /f \
      >/dev/null 2>&1 || kelvr_die "could not set the desktop to $KELVR_DESKTOP"
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
  fi
}

# The fake drives: letter, capacity and free space in bytes, volume label. Blocks of 4 KiB.
#   F: 20 TiB with 3 TiB free: more clusters than 32 bits count, and a label too long for its cell;
#   G: 2^32 + 1 clusters, half of them free, labelled in Latin, Japanese and Greek letters;
#   H: 2^60 bytes with one block used;
#   I: 2^64 bytes less one block, the most a 64-bit count of bytes holds, half of it free.
kelvr_fake_drive_table() {
  cat <<'EOF'
f 21990232555520 3298534883328 Archivio progetti-2026 QIRVO sas
g 17592186048512 8796093022208 Foto 日本 Ωμέγα
h 1152921504606846976 1152921504606842880 ENORME
i 18446744073709547520 9223372036854775808 MASSIMO
EOF
}

# kelvr_mount_fake_drives [TABLE]: builds fakedisk (once per build tree), mounts the fake drives
# of the table above (or of the file TABLE, in the same form) inside the run's folder and links
# them as drive letters of the prefix; exports KELVR_FAKE_DRIVE_LIST, the table with ";" between
# drives. kelvr_end_throwaway_prefix unmounts them.
kelvr_mount_fake_drives() {
  local src=$KELVR_ROOT/tests/win/fakedisk.c bin=$KELVR_BUILD_DIR/fakedisk letter total free label
  export KELVR_FAKE_DRIVE_LIST=
  if [ ! -e /dev/fuse ] || ! command -v fusermount3 >/dev/null || ! pkg-config --exists fuse3; then
    echo "${0##*/}: FUSE is not available here: no fake drives" >&2
    return 0
  fi
  if [ ! "$bin" -nt "$src" ]; then
    # shellcheck disable=SC2046
    cc -O2 -Wall -o "$bin.new" "$src" $(pkg-config --cflags --libs fuse3) &&
      mv "$bin.new" "$bin" || kelvr_die "could not build fakedisk"
  fi
  while read -r letter total free label; do
    mkdir -p "$KELVR_RUN_DIR/fake-$letter"
    "$bin" "$KELVR_RUN_DIR/fake-$letter" -- "$total" "$free" 4096 "$KELVR_RUN_DIR/no-hang" \
      "$label" || kelvr_die "could not mount a fake drive on $KELVR_RUN_DIR/fake-$letter"
    ln -sfn "$KELVR_RUN_DIR/fake-$letter" "$WINEPREFIX/dosdevices/$letter:"
    KELVR_FAKE_DRIVE_LIST+="$letter $total $free $label;"
  done < <(if [ -n "${1:-}" ]; then cat "$1"; else kelvr_fake_drive_table; fi)
}

# kelvr_unmount_under DIR: unmounts every FUSE file system mounted inside DIR.
kelvr_unmount_under() {
  local m
  for m in $(awk -v d="$1/" 'index($2, d) == 1 { print $2 }' /proc/mounts); do
    fusermount3 -u "$m" 2>/dev/null || fusermount3 -uz "$m" 2>/dev/null || true
  done
}

# kelvr_every_letter: gives the throwaway prefix a drive at every letter, each a folder labelled
# "DISCO X" (A: and B: are floppy drives to Wine, which shows no label for them; Z: stays the
# Unix root), and ends the prefix's server, which reads the labels as it starts.
kelvr_every_letter() {
  local letter
  for letter in {a..y}; do
    [ "$letter" = c ] && continue
    mkdir -p "$KELVR_RUN_DIR/drives/$letter"
    printf 'DISCO %s' "${letter^^}" >"$KELVR_RUN_DIR/drives/$letter/.windows-label"
    ln -sfn "$KELVR_RUN_DIR/drives/$letter" "$WINEPREFIX/dosdevices/$letter:"
  done
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
}

kelvr_end_throwaway_prefix() {
  [ -n "${KELVR_RUN_DIR:-}" ] && [ -d "$KELVR_RUN_DIR" ] || return 0
  WINEPREFIX=$KELVR_RUN_DIR/prefix wineserver -k >/dev/null 2>&1 || true
  WINEPREFIX=$KELVR_RUN_DIR/prefix wineserver -w >/dev/null 2>&1 || true
  kelvr_unmount_under "$KELVR_RUN_DIR"
  if [ "${KELVR_KEEP_PREFIX:-0}" != 0 ]; then
    touch "$KELVR_RUN_DIR/keep"
    echo "${0##*/}: kept the Wine prefix $KELVR_RUN_DIR/prefix" >&2
  else
    rm -rf "$KELVR_RUN_DIR"
  fi
  KELVR_RUN_DIR=
}

# Removes the throwaway prefixes of runs that ended without cleaning up (killed by a timeout,
# say), unless they were kept on purpose.
kelvr_sweep_stale_prefixes() {
  local dir pid
  for dir in "${TMPDIR:-/tmp}"/kelvr-wine.*; do
    [ -d "$dir" ] && [ -O "$dir" ] && [ ! -e "$dir/keep" ] || continue
    pid=${dir##*/kelvr-wine.}
    pid=${pid%%.*}
    [ "$pid" = $$ ] || [ -d "/proc/$pid" ] && continue
    WINEPREFIX=$dir/prefix wineserver -k >/dev/null 2>&1 || true
    kelvr_unmount_under "$dir"
    rm -rf "$dir"
  done
}

# kelvr_wine EXE [ARGS...]: runs a Windows program in the current WINEPREFIX with the
# carriage returns taken out of its output; returns its exit code. The prefix's Wine processes
# are ended when the program has exited, so none of them keeps the output streams open.
kelvr_wine() {
  local fifo_dir out_pid err_pid rc=0
  # Inside the run's folder when there is one, so a killed run leaves nothing else behind.
  fifo_dir=$(mktemp -d "${KELVR_RUN_DIR:-${TMPDIR:-/tmp}}/kelvr-out.XXXXXX")
  mkfifo "$fifo_dir/out" "$fifo_dir/err"
  tr -d '\r' <"$fifo_dir/out" &
  out_pid=$!
  tr -d '\r' <"$fifo_dir/err" >&2 &
  err_pid=$!
  wine "$@" >"$fifo_dir/out" 2>"$fifo_dir/err" || rc=$?
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  wait "$out_pid" "$err_pid" || true
  rm -rf "$fifo_dir"
  return "$rc"
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
  echo "${0##*/}: no window titled like '$pattern' appeared within $seconds s" >&2
  return 1
}

# kelvr_capture FILE.png [WINDOW_ID]: writes a picture of one window (caption, menu and frame
# included), or of the whole 1024x768 virtual desktop when no window is given. Waits first a
# second, then until the picture has stayed the same for half a second (at most about 6 s in
# all), so that painting and activation have finished. The PNG carries no time stamps: the
# same pixels give the same file.
kelvr_capture() {
  local file=$1 id=${2:-} target=(-window root -crop 1024x768+0+0 +repage) last="" now same=0 i
  [ -n "$id" ] && target=(-window "$id")
  mkdir -p "$(dirname "$file")"
  sleep 1
  for ((i = 0; i < 20 && same < 2; i++)); do
    sleep 0.25
    now=$(import "${target[@]}" rgb:- | md5sum)
    if [ "$now" = "$last" ]; then same=$((same + 1)); else same=0; fi
    last=$now
  done
  import "${target[@]}" -strip -define png:exclude-chunks=date,time "$file"
}
