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

KELVR_DRIVE_D_LABEL="DATI KELVR"

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

# kelvr_add_wide_folder: C:\kelvr-wide.
kelvr_add_wide_folder() {
  kelvr_make_wide_folder "$WINEPREFIX/drive_c/kelvr-wide" || return
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

# Whether FUSE file systems can be mounted here, and fakedisk built.
kelvr_have_fuse() {
  [ -e /dev/fuse ] && command -v fusermount3 >/dev/null && command -v cc >/dev/null &&
    pkg-config --exists fuse3 2>/dev/null
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

# kelvr_add_fake_drives [TABLE]: mounts the fake drives (of TABLE, when given) for the
# throwaway prefix and links them as its drive letters. Without FUSE there are none, and
# KELVR_FAKE_DRIVE_LIST is empty.
kelvr_add_fake_drives() {
  export KELVR_FAKE_DRIVE_LIST=
  if ! kelvr_have_fuse; then
    echo "${0##*/}: FUSE is not available here: no fake drives" >&2
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
