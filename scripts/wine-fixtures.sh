# shellcheck shell=bash
# The drives and folders of a throwaway prefix, sourced by wine-env.sh. Every throwaway prefix
# gets
#   D: -> a folder made for the run, labelled "DATI KELVR" (serial number 4B454C56), holding
#         a few files ($KELVR_TEST_DRIVE_D is its Unix path);
#   E: -> a path that does not exist: a drive that is listed but cannot be measured;
#   C:\Programmi\KelvrLoop\inner\up -> a link back to C:\Programmi\KelvrLoop (a loop);
# and one that asks for them
#   C:\kelvr-wide (KELVR_WIDE_FIXTURE=1) -> one folder holding 40,000 subfolders and
#         MSINFO32.EXE, named to the tests in KELVR_WIDE_FOLDER;
#   F: to I: (KELVR_FAKE_DRIVES=1) -> drives of real large sizes, FUSE file systems
#         (tests/win/fakedisk.c) that report them, named to the tests in
#         KELVR_FAKE_DRIVE_LIST; none without FUSE (/dev/fuse, fusermount3, libfuse3-dev);
#   a drive at every letter (kelvr_every_letter), for a screen too low for all the rows.
#
# The wide folder and the fake drives take seconds to make, so a ctest run makes them once:
# tests/win/fixture.sh, run by the ctest entries that set the fixtures up and clean them up
# (FIXTURES_SETUP and FIXTURES_CLEANUP in tests/win/CMakeLists.txt), makes them in
# $KELVR_FIXTURES, a folder named after the ctest process (the parent of every process ctest
# starts): each ctest run has its own, and one whose ctest has ended is stale, removed by the
# next run or, within seconds, by a watcher the setup leaves behind. A throwaway prefix links
# to a ready fixture, and makes its own where there is none (a run by hand, say).

KELVR_DRIVE_D_LABEL="DATI KELVR"
KELVR_FIXTURE_OWNER=$PPID
KELVR_FIXTURES=${TMPDIR:-/tmp}/kelvr-fixtures.$KELVR_FIXTURE_OWNER

kelvr_add_drive_d() {
  local d=$KELVR_RUN_DIR/drive-d
  if ! {
    mkdir -p "$d/Documenti" "$d/Archivio" &&
      printf '%s' "$KELVR_DRIVE_D_LABEL" >"$d/.windows-label" &&
      printf '%s' 4b454c56 >"$d/.windows-serial" &&
      printf 'Disco dei dati di prova di Kelvr.\r\n' >"$d/Leggimi.txt" &&
      printf 'Relazione trimestrale\r\nSpazio occupato: poco.\r\n' >"$d/Documenti/Relazione.txt" &&
      head -c 65536 /dev/zero >"$d/Archivio/dati.bin" &&
      ln -sfn "$d" "$WINEPREFIX/dosdevices/d:"
  }; then
    kelvr_fail "could not make drive D: in $d"
    return
  fi
  export KELVR_TEST_DRIVE_D=$d
}

kelvr_add_missing_e() {
  ln -sfn "$KELVR_RUN_DIR/missing-drive-e" "$WINEPREFIX/dosdevices/e:"
}

# A folder tree that never ends, for code that walks folders.
kelvr_add_folder_loop() {
  mkdir -p "$WINEPREFIX/drive_c/Programmi/KelvrLoop/inner" &&
    ln -sfn .. "$WINEPREFIX/drive_c/Programmi/KelvrLoop/inner/up"
}

# kelvr_make_wide_folder DIR: the wide folder, made from Linux: under Wine each new folder
# costs a read of the whole folder, and making these would take minutes.
kelvr_make_wide_folder() {
  if ! (mkdir "$1" && cd "$1" && mkdir d{0..39999} && : >MSINFO32.EXE); then
    kelvr_fail "could not make the wide folder $1"
  fi
}

# kelvr_add_wide_folder: C:\kelvr-wide. A test moves the folder and changes it before it puts
# it back, so a prefix cannot share it: the first prefix of a ctest run to ask takes the run's
# ready one, by renaming it into place (at once: both are in the same temporary folder), and
# any other makes its own.
kelvr_add_wide_folder() {
  local wide=$WINEPREFIX/drive_c/kelvr-wide
  mv -T "$KELVR_FIXTURES/wide_folder/kelvr-wide" "$wide" 2>/dev/null ||
    kelvr_make_wide_folder "$wide" || return
  export KELVR_WIDE_FOLDER='C:\kelvr-wide'
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

# Whether FUSE file systems can be mounted here, and fakedisk built. A machine may have FUSE
# and still refuse mounts (a container without the right to mount): a small drive is mounted
# and unmounted to tell, once per shell and its children (KELVR_FUSE_MOUNTS). A fakedisk that
# does not build is no reason to skip: the tests that need it fail on it.
kelvr_have_fuse() {
  if [ -z "${KELVR_FUSE_MOUNTS:-}" ]; then
    KELVR_FUSE_MOUNTS=no
    local trial
    if [ -e /dev/fuse ] && command -v fusermount3 >/dev/null && command -v cc >/dev/null &&
      pkg-config --exists fuse3 2>/dev/null; then
      if ! kelvr_fakedisk; then
        KELVR_FUSE_MOUNTS=yes
      elif trial=$(mktemp -d); then
        mkdir "$trial/m" &&
          "$KELVR_FAKEDISK" "$trial/m" -- 1048576 524288 4096 "$trial/no-hang" 2>/dev/null &&
          { fusermount3 -u "$trial/m" || fusermount3 -uz "$trial/m"; } && KELVR_FUSE_MOUNTS=yes
        rm -rf "$trial"
      fi
    fi
    export KELVR_FUSE_MOUNTS
  fi
  [ "$KELVR_FUSE_MOUNTS" = yes ]
}

# kelvr_fakedisk: builds tests/win/fakedisk.c once per build tree, and again when it changes;
# sets KELVR_FAKEDISK to the program.
kelvr_fakedisk() {
  local src=$KELVR_ROOT/tests/win/fakedisk.c new
  KELVR_FAKEDISK=$KELVR_BUILD_DIR/fakedisk
  [ "$KELVR_FAKEDISK" -nt "$src" ] && return 0
  mkdir -p "$KELVR_BUILD_DIR" || return
  # Built under a name of its own and renamed: runs that start together may both build it.
  new=$(mktemp "$KELVR_FAKEDISK.XXXXXX") || return
  # shellcheck disable=SC2046 # pkg-config's flags are separate words
  if cc -O2 -Wall -o "$new" "$src" $(pkg-config --cflags --libs fuse3) && chmod 755 "$new" &&
    mv "$new" "$KELVR_FAKEDISK"; then
    return 0
  fi
  rm -f "$new"
  kelvr_fail "could not build fakedisk"
}

# kelvr_mount_fake_drives DIR [TABLE]: mounts the fake drives of kelvr_fake_drive_table (or of
# the file TABLE, in the same form) on DIR/LETTER, none of them hanging, and writes their
# table, a drive a line, to DIR/list once all are mounted. kelvr_unmount_under unmounts them.
kelvr_mount_fake_drives() {
  local dir=$1 table=${2:-} letter total free label
  kelvr_fakedisk || return
  mkdir -p "$dir" || return
  : >"$dir/list.new" || return
  while read -r letter total free label; do
    mkdir -p "$dir/$letter" || return
    "$KELVR_FAKEDISK" "$dir/$letter" -- "$total" "$free" 4096 "$dir/no-hang" "$label" || {
      kelvr_fail "could not mount a fake drive on $dir/$letter"
      return
    }
    echo "$letter $total $free $label" >>"$dir/list.new"
  done < <(if [ -n "$table" ]; then cat "$table"; else kelvr_fake_drive_table; fi)
  mv "$dir/list.new" "$dir/list"
}

# kelvr_link_fake_drives DIR: links the fake drives mounted in DIR as drive letters of the
# prefix, and exports KELVR_FAKE_DRIVE_LIST, their table with ";" after each drive.
kelvr_link_fake_drives() {
  local dir=$1 letter total free label
  KELVR_FAKE_DRIVE_LIST=
  while read -r letter total free label; do
    ln -sfn "$dir/$letter" "$WINEPREFIX/dosdevices/$letter:" || return
    KELVR_FAKE_DRIVE_LIST+="$letter $total $free $label;"
  done <"$dir/list" || return
  export KELVR_FAKE_DRIVE_LIST
}

# kelvr_add_fake_drives [TABLE]: the fake drives as drive letters of the throwaway prefix: the
# ctest run's when they are ready, else mounted for this prefix alone (and always so for the
# drives of a TABLE). Without FUSE there are none, and KELVR_FAKE_DRIVE_LIST is empty.
kelvr_add_fake_drives() {
  local ready=$KELVR_FIXTURES/fake_drives
  export KELVR_FAKE_DRIVE_LIST=
  if [ -z "${1:-}" ] && [ -f "$ready/list" ]; then
    kelvr_link_fake_drives "$ready"
    return
  fi
  if ! kelvr_have_fuse; then
    echo "${0##*/}: FUSE cannot mount here: no fake drives" >&2
    return 0
  fi
  kelvr_mount_fake_drives "$KELVR_RUN_DIR/fake" "${1:-}" &&
    kelvr_link_fake_drives "$KELVR_RUN_DIR/fake"
}

# kelvr_unmount_under DIR: unmounts every FUSE file system mounted inside DIR.
kelvr_unmount_under() {
  local m
  while read -r m; do
    fusermount3 -u "$m" 2>/dev/null || fusermount3 -uz "$m" 2>/dev/null || true
  done < <(awk -v d="$1/" 'index($2, d) == 1 { print $2 }' /proc/mounts)
}

# kelvr_every_letter: gives the throwaway prefix a drive at every letter, each a folder labelled
# "DISCO X" (A: and B: are floppy drives to Wine, which shows no label for them; Z: stays the
# Unix root), and ends the prefix's server, which reads the labels as it starts.
kelvr_every_letter() {
  local letter
  for letter in {a..y}; do
    [ "$letter" = c ] && continue
    mkdir -p "$KELVR_RUN_DIR/drives/$letter" &&
      printf 'DISCO %s' "${letter^^}" >"$KELVR_RUN_DIR/drives/$letter/.windows-label" &&
      ln -sfn "$KELVR_RUN_DIR/drives/$letter" "$WINEPREFIX/dosdevices/$letter:" || return
  done
  kelvr_end_server
}

# kelvr_fixture_setup NAME: makes the ctest run's fixture NAME, fake_drives or wide_folder, in
# $KELVR_FIXTURES/NAME. Without FUSE there are no fake drives, and that is no failure: the
# tests that need them say they are skipped.
kelvr_fixture_setup() {
  local name=$1 dir=$KELVR_FIXTURES/$1
  kelvr_sweep_stale_fixtures
  kelvr_remove_fixture "$dir"
  mkdir -p "$dir" || return
  kelvr_watch_fixture "$dir"
  case $name in
    fake_drives)
      if ! kelvr_have_fuse; then
        echo "${0##*/}: FUSE cannot mount here: no fake drives" >&2
        return 0
      fi
      kelvr_mount_fake_drives "$dir"
      ;;
    wide_folder)
      # Made under another name, so that a prefix never takes it half made.
      kelvr_make_wide_folder "$dir/kelvr-wide.new" && mv -T "$dir/kelvr-wide.new" "$dir/kelvr-wide"
      ;;
    *) kelvr_fail "there is no fixture named '$name'" ;;
  esac
}

kelvr_fixture_cleanup() {
  kelvr_remove_fixture "$KELVR_FIXTURES/$1"
}

# kelvr_remove_fixture DIR: unmounts what is mounted in DIR and removes it, and the run's
# folder of fixtures once it is empty.
kelvr_remove_fixture() {
  kelvr_unmount_under "$1"
  rm -rf "$1"
  rmdir "$(dirname "$1")" 2>/dev/null || true
}

# kelvr_watch_fixture DIR: leaves a process behind that removes the fixture in DIR once the
# ctest run it is for has ended without removing it (killed, say), so that none of its mounts
# outlives the run by more than a few seconds. It ends as soon as DIR has gone. (In a session
# of its own, with its streams closed: Ctrl+C at the terminal must not end it, and ctest
# waits for the streams of a test to close.)
kelvr_watch_fixture() {
  # shellcheck disable=SC2016 # expanded by the watcher's shell, from its arguments
  setsid bash -c 'while [ -d "/proc/$1" ] && [ -d "$2" ]; do sleep 2; done
    [ -d "$2" ] && source "$3" && kelvr_remove_fixture "$2"' \
    watch "$KELVR_FIXTURE_OWNER" "$1" "$KELVR_ROOT/scripts/wine-env.sh" </dev/null >/dev/null 2>&1 &
}

# Removes the fixtures of ctest runs that have ended without cleaning up.
kelvr_sweep_stale_fixtures() {
  local dir pid fixture
  for dir in "${TMPDIR:-/tmp}"/kelvr-fixtures.*; do
    if [ ! -d "$dir" ] || [ ! -O "$dir" ]; then
      continue
    fi
    pid=${dir##*/kelvr-fixtures.}
    [ -d "/proc/$pid" ] && continue
    for fixture in "$dir"/*; do
      kelvr_remove_fixture "$fixture"
    done
    rmdir "$dir" 2>/dev/null || true
  done
}
