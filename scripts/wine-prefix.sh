# shellcheck shell=bash
# The Wine prefixes, sourced by wine-env.sh (which sets KELVR_ROOT and KELVR_BUILD_DIR).
#
# A prefix is slow to make, so it is made once per build tree and Windows width, as a template
# (build/wineprefix-template, build/wineprefix-template-win64), and copied, much faster, for
# each run: a throwaway prefix, with the drives of wine-fixtures.sh, removed when the run ends.

case ${KELVR_WINE_ARCH:=win32} in
  win32) KELVR_WINE_TEMPLATE=$KELVR_BUILD_DIR/wineprefix-template ;;
  win64) KELVR_WINE_TEMPLATE=$KELVR_BUILD_DIR/wineprefix-template-win64 ;;
  *)
    kelvr_fail "KELVR_WINE_ARCH is win32 or win64, not '$KELVR_WINE_ARCH'"
    return
    ;;
esac
# Bump when the recipe in kelvr_prefix_steps changes: templates made by an older recipe are
# then made again.
KELVR_PREFIX_RECIPE=1
# The user's locale on the Windows desktop the tests stand for (thousands ".", decimal ",").
# Only the Windows programs get it: the Linux tools of the scripts keep the caller's.
KELVR_LOCALE=it_IT.UTF-8

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# With wine64 installed, Wine makes a new prefix 64-bit unless told otherwise; a prefix keeps
# the width it was made with, and the 32-bit tests must run on a 32-bit Windows.
export WINEARCH=$KELVR_WINE_ARCH

# kelvr_italian COMMAND...: runs the command (wine, or something that starts it) in the Italian
# locale, which Wine hands its programs as the user's.
kelvr_italian() {
  LANG=$KELVR_LOCALE LC_ALL=$KELVR_LOCALE "$@"
}

# kelvr_start EXE [ARGS...]: starts a Windows program in the background, in the Italian
# locale, and sets KELVR_PID to its process id: that of the Wine process that runs it, which
# Wine also gives the program's X windows. (A function run in the background would have an id
# of its own.)
kelvr_start() {
  LANG=$KELVR_LOCALE LC_ALL=$KELVR_LOCALE wine "$@" &
  # shellcheck disable=SC2034 # for the caller
  KELVR_PID=$!
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

# What a prefix made now would be made from; stored beside a prefix as its stamp. It holds the
# time of Wine's wine.inf, as the prefix does: where they differ, Wine updates the prefix's own
# programs and libraries when it starts, and those are shared with the throwaway copies.
kelvr_prefix_stamp() {
  local inf
  inf=$(stat -c %Y "$(dirname "$(command -v wine)")/../share/wine/wine.inf" 2>/dev/null)
  echo "recipe $KELVR_PREFIX_RECIPE; $KELVR_WINE_ARCH; $(wine --version); wine.inf $inf; $(kelvr_prefix_reg | md5sum | cut -d' ' -f1)"
}

# kelvr_copy_prefix FROM TO: a copy of the prefix FROM whose Wine programs, libraries and code
# pages (the bulk of it) are hard links to FROM's: nothing writes to them but a Wine update,
# which makes a new template (see kelvr_prefix_stamp). The rest, the registry and the .ini
# files among it, is copied. Where FROM and TO lie on different file systems (a TMPDIR of its
# own), nothing can be linked, and the whole prefix is copied.
kelvr_copy_prefix() {
  local from=$1 to=$2 f
  if ! cp -al "$from" "$to" 2>/dev/null; then
    rm -rf "$to"
    cp -a "$from" "$to" || return
  fi
  while IFS= read -r -d '' f; do
    cp -p "$f" "$f.copy" && mv -f "$f.copy" "$f" || return
  done < <(find "$to" -type f ! \( -iname '*.dll' -o -iname '*.exe' -o -iname '*.drv' -o \
    -iname '*.sys' -o -iname '*.nls' -o -iname '*.ocx' -o -iname '*.acm' -o -iname '*.cpl' -o \
    -iname '*.tlb' -o -iname '*.ax' -o -iname '*.ds' -o -iname '*.vxd' -o -iname '*.msstyles' \) \
    -print0)
}

# The steps that make a prefix in $WINEPREFIX; the first that fails fails them all.
kelvr_prefix_steps() {
  local link
  env -u DISPLAY wine wineboot -i || return
  wineserver -w || return
  # Debian's Wine does not find its own fonts without this link.
  ln -sf /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" || return
  # Links into the Unix home become plain folders.
  while IFS= read -r -d '' link; do
    rm -f "$link" && mkdir -p "$link" || return
  done < <(find "$WINEPREFIX/drive_c/users" -type l -print0)
  kelvr_prefix_reg >"$WINEPREFIX/drive_c/kelvr-prefix.reg" || return
  env -u DISPLAY wine reg import 'C:\kelvr-prefix.reg' || return
  rm -f "$WINEPREFIX/drive_c/kelvr-prefix.reg"
  kelvr_end_server
  # The registry is on disk now that the server has ended: check that the settings took.
  grep -qF '"Garamond"="EB Garamond 12"' "$WINEPREFIX/user.reg" &&
    grep -qF '"Default"="1024x768"' "$WINEPREFIX/user.reg" &&
    [ -e "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf" ]
}

# kelvr_make_prefix DIR: makes a fresh prefix in DIR (replacing what is there), then writes
# DIR.stamp. The prefix is made under another name and renamed when complete, so an
# interrupted run never leaves a half-made prefix that looks finished.
kelvr_make_prefix() {
  local dir=$1 new=$1.new log=$1.log
  rm -rf "$new" "$dir" "$dir.stamp"
  mkdir -p "$(dirname "$dir")" || return
  if ! WINEPREFIX=$new kelvr_italian kelvr_prefix_steps >"$log" 2>&1; then
    tail -n 30 "$log" >&2
    rm -rf "$new"
    kelvr_fail "could not make the Wine prefix $dir (log: $log)"
    return
  fi
  mv "$new" "$dir" && kelvr_prefix_stamp >"$dir.stamp"
}

# kelvr_ensure_prefix DIR: makes the prefix in DIR unless it is there and current.
# A lock keeps two scripts started together from making it twice.
kelvr_ensure_prefix() {
  local dir=$1 fd rc=0
  mkdir -p "$(dirname "$dir")" || return
  exec {fd}>"$dir.lock" || return
  if ! flock "$fd"; then
    exec {fd}>&-
    return 1
  fi
  if [ ! -d "$dir" ] || [ "$(cat "$dir.stamp" 2>/dev/null)" != "$(kelvr_prefix_stamp)" ]; then
    kelvr_make_prefix "$dir" || rc=$?
  fi
  exec {fd}>&-
  return "$rc"
}

# kelvr_throwaway_prefix: copies the template into a new temporary folder ($KELVR_RUN_DIR),
# exports WINEPREFIX, and gives it the drives and folders of wine-fixtures.sh: always D:, E:
# and the folder loop; the wide folder with KELVR_WIDE_FIXTURE, the fake drives with
# KELVR_FAKE_DRIVES; then the screen of KELVR_DPI and KELVR_DESKTOP. Call
# kelvr_end_throwaway_prefix when done (from an EXIT trap: it also cleans up after a failure
# here). Copies and fixtures left behind by runs that were killed are removed first.
kelvr_throwaway_prefix() {
  kelvr_ensure_prefix "$KELVR_WINE_TEMPLATE" || return
  kelvr_sweep_stale_prefixes
  kelvr_sweep_stale_fixtures
  # The name holds the owner's process id, for kelvr_sweep_stale_prefixes.
  KELVR_RUN_DIR=$(mktemp -d "${TMPDIR:-/tmp}/kelvr-wine.$$.XXXXXX") || return
  export WINEPREFIX=$KELVR_RUN_DIR/prefix
  kelvr_copy_prefix "$KELVR_WINE_TEMPLATE" "$WINEPREFIX" || {
    kelvr_fail "could not copy the Wine prefix $KELVR_WINE_TEMPLATE"
    return
  }
  kelvr_add_drive_d && kelvr_add_missing_e && kelvr_add_folder_loop || return
  if [ -n "${KELVR_WIDE_FIXTURE:-}" ]; then
    kelvr_add_wide_folder || return
  fi
  # (Before any Wine process of the prefix starts: Wine reads the volume labels as it starts.)
  if [ -n "${KELVR_FAKE_DRIVES:-}" ]; then
    kelvr_add_fake_drives || return
  fi
  if [ -n "${KELVR_DPI:-}" ]; then
    kelvr_set_dpi "$KELVR_DPI" || return
  fi
  if [ -n "${KELVR_DESKTOP:-}" ]; then
    kelvr_set_desktop "$KELVR_DESKTOP" || return
  fi
}

# kelvr_set_dpi N: a screen of N dots per inch instead of 96, for the prefix's new programs.
kelvr_set_dpi() {
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f \
    >/dev/null 2>&1 || kelvr_fail "could not set the screen to $1 DPI"
}

# kelvr_set_desktop WxH: a virtual desktop, and so a screen, of that size. The desktop takes
# its size as the prefix's server starts: the server is ended, to start afresh.
kelvr_set_desktop() {
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$1" /f >/dev/null 2>&1 ||
    {
      kelvr_fail "could not set the desktop to $1"
      return
    }
  kelvr_end_server
}

# kelvr_end_server: ends the current prefix's Wine server and processes, and waits for them.
kelvr_end_server() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
}

# kelvr_end_prefix_processes PREFIX: kills what still runs in the prefix once its server has
# ended: a program that was starting as the server ended (a run interrupted, say) waits for a
# server that is gone, holding the streams of the script that started it. They are the
# processes whose environment names PREFIX as theirs.
kelvr_end_prefix_processes() {
  local env pid
  while IFS= read -r env; do
    pid=${env#/proc/}
    pid=${pid%/environ}
    [ "$pid" = "$$" ] || [ "$pid" = "$BASHPID" ] || kill -KILL "$pid" 2>/dev/null || true
  done < <(grep -lzxF "WINEPREFIX=$1" /proc/[0-9]*/environ 2>/dev/null)
}

# kelvr_end_throwaway_prefix: ends the throwaway prefix's processes, unmounts what the run
# mounted, and removes the prefix (or keeps it, with KELVR_KEEP_PREFIX=1).
kelvr_end_throwaway_prefix() {
  [ -n "${KELVR_RUN_DIR:-}" ] && [ -d "$KELVR_RUN_DIR" ] || return 0
  WINEPREFIX=$KELVR_RUN_DIR/prefix kelvr_end_server
  kelvr_end_prefix_processes "$KELVR_RUN_DIR/prefix"
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
    if [ ! -d "$dir" ] || [ ! -O "$dir" ] || [ -e "$dir/keep" ]; then
      continue
    fi
    pid=${dir##*/kelvr-wine.}
    pid=${pid%%.*}
    [ "$pid" = $$ ] || [ -d "/proc/$pid" ] && continue
    WINEPREFIX=$dir/prefix kelvr_end_server
    kelvr_end_prefix_processes "$dir/prefix"
    kelvr_unmount_under "$dir"
    rm -rf "$dir"
  done
  return 0
}

# kelvr_wine EXE [ARGS...]: runs a Windows program in the current WINEPREFIX, in the Italian
# locale, with the carriage returns taken out of its output; returns its exit code. The
# prefix's Wine processes are ended when the program has exited, so none of them keeps the
# output streams open.
kelvr_wine() {
  local fifo_dir out_pid err_pid rc=0
  # Inside the run's folder when there is one, so a killed run leaves nothing else behind.
  fifo_dir=$(mktemp -d "${KELVR_RUN_DIR:-${TMPDIR:-/tmp}}/kelvr-out.XXXXXX") || return
  mkfifo "$fifo_dir/out" "$fifo_dir/err" || return
  tr -d '\r' <"$fifo_dir/out" &
  out_pid=$!
  tr -d '\r' <"$fifo_dir/err" >&2 &
  err_pid=$!
  kelvr_italian wine "$@" >"$fifo_dir/out" 2>"$fifo_dir/err" || rc=$?
  kelvr_end_server
  wait "$out_pid" "$err_pid" || true
  rm -rf "$fifo_dir"
  return "$rc"
}
