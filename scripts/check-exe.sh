#!/usr/bin/env bash
# check-exe.sh EXE...: fails unless each Windows program is hardened as the build means it to be,
# and, for a 32-bit one, unless Windows XP SP3 can load it.
# Reads the PE headers itself (32- and 64-bit images alike, whatever toolchain made them):
#   Characteristics:    executable, large-address-aware, relocations kept (ASLR needs them);
#   DllCharacteristics: DYNAMIC_BASE (ASLR), NX_COMPAT (DEP), TERMINAL_SERVER_AWARE, and for a
#                       64-bit image HIGH_ENTROPY_VA (ASLR over the whole address space);
#   a base relocation table that is not empty, without which DYNAMIC_BASE moves nothing;
#   a 32-bit image: a subsystem version of 5.01 or less (XP refuses to start a later one), and
#                       an import table that names only functions XP SP3's DLLs export
#                       (tools/xp-exports: present.txt, less deny.txt), each by name. The
#                       64-bit build may need Vista and is not held to this.
# check-exe.sh --self-test: checks the checker on made-up images, one thing wrong at a time.
set -euo pipefail

xp_exports=$(cd "$(dirname "${BASH_SOURCE[0]}")/../tools/xp-exports" && pwd)

# u16/u32 FILE OFFSET: a little-endian number from the file.
u16() { od -An -tu2 -j "$2" -N2 --endian=little "$1" | tr -d ' '; }
u32() { od -An -tu4 -j "$2" -N4 --endian=little "$1" | tr -d ' '; }

# imports FILE: what a 32-bit image imports, one "dll function" a line, the DLL in lower case;
# a function imported by number reads "dll #N". The whole file goes through one awk.
imports() {
  od -An -v -tu1 "$1" | awk '
    { for (i = 1; i <= NF; i++) b[n++] = $i }
    function u16(o) { return b[o] + 256 * b[o + 1] }
    function u32(o) { return u16(o) + 65536 * u16(o + 2) }
    function str(o,   s) {
      s = ""
      while (o >= 0 && o < n && b[o] != 0) s = s sprintf("%c", b[o++])
      return s
    }
    # The file offset of a relative virtual address: through the section that holds it.
    function at(rva,   i, h, size) {
      for (i = 0; i < sections; i++) {
        h = table + 40 * i
        size = u32(h + 8) > u32(h + 16) ? u32(h + 8) : u32(h + 16)
        if (rva >= u32(h + 12) && rva < u32(h + 12) + size) return rva - u32(h + 12) + u32(h + 20)
      }
      return -1
    }
    END {
      pe = u32(60); opt = pe + 24; sections = u16(pe + 6); table = opt + u16(pe + 20)
      if (u32(opt + 96 + 8) == 0) exit
      # Each DLL: its name, then its lookup table (or, without one, its address table).
      for (d = at(u32(opt + 96 + 8)); d >= 0 && u32(d + 12) != 0; d += 20) {
        dll = tolower(str(at(u32(d + 12))))
        for (t = at(u32(d) ? u32(d) : u32(d + 16)); t >= 0 && u32(t) != 0; t += 4)
          if (u32(t) >= 2147483648) print dll, "#" u16(t)
          else print dll, str(at(u32(t)) + 2)
      }
    }'
}

# not_on_xp FILE: the image's imports that Windows XP SP3 lacks, each with why.
not_on_xp() {
  imports "$1" | awk -v present="$xp_exports/present.txt" -v deny="$xp_exports/deny.txt" \
    -v absent="$xp_exports/absent.txt" '
    BEGIN {
      while ((getline l < present) > 0) ok[l] = 1
      while ((getline l < deny) > 0) if (l !~ /^#/) denied[l] = 1
      while ((getline l < absent) > 0) later[l] = 1
    }
    $2 ~ /^#/ { print $0 " (by number: no name to check)"; next }
    denied[$0] { print $0 " (not in XP SP3: tools/xp-exports/deny.txt)"; next }
    later[$0] { print $0 " (Vista or later)"; next }
    !ok[$0] { print $0 " (not exported by XP SP3)" }'
}

# check FILE: prints what it found and what is missing; returns 1 when anything is.
check() {
  local f=$1 pe magic chars dll opt relocs missing=() bits
  if [ "$(head -c 2 "$f")" != MZ ]; then
    echo "$f: not a Windows program" >&2
    return 1
  fi
  pe=$(u32 "$f" 60)
  if [ "$(od -An -c -j "$pe" -N4 "$f" | tr -d ' ')" != 'PE\0\0' ]; then
    echo "$f: no PE header" >&2
    return 1
  fi
  chars=$(u16 "$f" $((pe + 22)))
  opt=$((pe + 24))
  magic=$(u16 "$f" "$opt")
  dll=$(u16 "$f" $((opt + 70)))
  case $magic in
    267) bits=32 relocs=$(u32 "$f" $((opt + 96 + 5 * 8 + 4))) ;;   # PE32: 0x10b
    523) bits=64 relocs=$(u32 "$f" $((opt + 112 + 5 * 8 + 4))) ;;  # PE32+: 0x20b
    *)
      echo "$f: unknown optional header magic $magic" >&2
      return 1
      ;;
  esac
  ((chars & 0x0002)) || missing+=("executable image")
  ((chars & 0x0001)) && missing+=("relocations (stripped)")
  ((chars & 0x0020)) || missing+=("large address aware")
  ((dll & 0x0040)) || missing+=("DYNAMIC_BASE")
  ((dll & 0x0100)) || missing+=("NX_COMPAT")
  ((dll & 0x8000)) || missing+=("TERMINAL_SERVER_AWARE")
  if [ "$bits" = 64 ]; then
    ((dll & 0x0020)) || missing+=("HIGH_ENTROPY_VA")
  fi
  ((relocs > 0)) || missing+=("base relocations (none)")
  if [ "$bits" = 32 ]; then
    local major minor later
    major=$(u16 "$f" $((opt + 48))) minor=$(u16 "$f" $((opt + 50)))
    ((major < 5 || (major == 5 && minor <= 1))) ||
      missing+=("subsystem version 5.01 or less (is $major.$minor)")
    later=$(not_on_xp "$f")
    [ -z "$later" ] || missing+=("imports XP SP3 lacks: $(echo "$later" | paste -sd ';' | sed 's/;/; /g')")
  fi
  printf '%s: PE%s, Characteristics 0x%04x, DllCharacteristics 0x%04x' \
    "${f##*/}" "$([ "$bits" = 64 ] && echo 32+ || echo 32)" "$chars" "$dll"
  if [ ${#missing[@]} -gt 0 ]; then
    local list
    list=$(IFS=,; echo "${missing[*]}")
    printf '; missing: %s\n' "${list//,/, }"
    return 1
  fi
  echo "; hardened$([ "$bits" = 32 ] && echo ', loads on XP SP3')"
}

# made_up FILE BITS CHARS DLLCHARS RELOCS [SUBSYSTEM [DLL:FUNCTION...]]: a file with just what
# check() reads: the headers, one section, and an import table of the functions named (DLL:#N
# imports by number), by default kernel32.dll's GetTickCount. SUBSYSTEM is MAJOR.MINOR (5.1).
made_up() {
  local f=$1 bits=$2 opt=$((64 + 24)) dirs subsystem=${6:-5.1} imports=("${@:7}") table data
  dirs=$([ "$bits" = 64 ] && echo 112 || echo 96)
  [ ${#imports[@]} -gt 0 ] || imports=(kernel32.dll:GetTickCount)
  # le N BYTES: N as BYTES little-endian bytes, in printf's octal escapes.
  le() { local v=$1 i; for ((i = 0; i < $2; i++)); do printf '\\%03o' $(((v >> (8 * i)) & 255)); done; }
  head -c 4096 /dev/zero >"$f"
  put() { printf '%b' "$(le "$2" "$3")" | dd of="$f" bs=1 seek="$1" conv=notrunc status=none; }
  text() { printf '%s\0' "$2" | dd of="$f" bs=1 seek="$1" conv=notrunc status=none; }
  printf 'MZ' | dd of="$f" bs=1 conv=notrunc status=none
  put 60 64 4
  printf 'PE\0\0' | dd of="$f" bs=1 seek=64 conv=notrunc status=none
  put $((64 + 6)) 1 2                   # one section
  put $((64 + 20)) $((dirs + 16 * 8)) 2 # the optional header's size
  put $((64 + 22)) "$3" 2
  put "$opt" "$([ "$bits" = 64 ] && echo 523 || echo 267)" 2
  put $((opt + 48)) "${subsystem%.*}" 2
  put $((opt + 50)) "${subsystem#*.}" 2
  put $((opt + 70)) "$4" 2
  put $((opt + dirs + 5 * 8 + 4)) "$5" 4
  # The section: its addresses, from 0x200 on, are the file's offsets.
  table=$((opt + dirs + 16 * 8))
  put $((table + 8)) 3584 4
  put $((table + 12)) 512 4
  put $((table + 16)) 3584 4
  put $((table + 20)) 512 4
  # The import table at 0x200: a descriptor for each DLL, in the order first named, then each
  # DLL's lookup table, its name and its functions' names.
  local dlls=() dll import d=512 thunk
  for import in "${imports[@]}"; do
    [[ " ${dlls[*]} " == *" ${import%%:*} "* ]] || dlls+=("${import%%:*}")
  done
  put $((opt + dirs + 8)) 512 4
  data=$((512 + 20 * (${#dlls[@]} + 1)))
  for dll in "${dlls[@]}"; do
    thunk=$data
    for import in "${imports[@]}" ""; do
      [ "${import%%:*}" = "$dll" ] && data=$((data + 4))
    done
    data=$((data + 4))
    put "$d" "$thunk" 4
    put $((d + 12)) "$data" 4
    put $((d + 16)) "$thunk" 4
    text "$data" "$dll"
    data=$((data + ${#dll} + 1))
    for import in "${imports[@]}"; do
      [ "${import%%:*}" = "$dll" ] || continue
      import=${import#*:}
      if [[ $import == \#* ]]; then
        put "$thunk" $((0x80000000 | ${import#\#})) 4
      else
        put "$thunk" "$data" 4
        text $((data + 2)) "$import"
        data=$((data + 2 + ${#import} + 1))
      fi
      thunk=$((thunk + 4))
    done
    d=$((d + 20))
  done
}

self_test() {
  local dir bits flag chars dll relocs expected passed failures=0 cases=0
  dir=$(mktemp -d "${TMPDIR:-/tmp}/kelvr-check-exe.XXXXXX")
  trap 'rm -rf "$dir"' RETURN
  for bits in 32 64; do
    local all_dll=$((0x0040 | 0x0100 | 0x8000))
    [ "$bits" = 64 ] && all_dll=$((all_dll | 0x0020))
    # "none" is the hardened image; each other case takes one thing away from it.
    for flag in none 0x0002 0x0020 relocs-stripped 0x0040 0x0100 0x8000 high-entropy no-relocs; do
      chars=$((0x0002 | 0x0020)) dll=$all_dll relocs=12
      case $flag in
        none) ;;
        relocs-stripped) chars=$((chars | 0x0001)) ;;
        high-entropy) dll=$((dll & ~0x0020)) ;;
        no-relocs) relocs=0 ;;
        0x0002 | 0x0020) chars=$((chars & ~flag)) ;;
        *) dll=$((dll & ~flag)) ;;
      esac
      # A 32-bit image has no high-entropy ASLR to miss.
      [ "$bits" = 32 ] && [ "$flag" = high-entropy ] && continue
      made_up "$dir/x.exe" "$bits" "$chars" "$dll" "$relocs"
      cases=$((cases + 1))
      expected=no
      [ "$flag" = none ] && expected=yes
      if check "$dir/x.exe" >/dev/null 2>&1; then passed=yes; else passed=no; fi
      if [ "$passed" != "$expected" ]; then
        echo "check-exe.sh: self-test: PE$bits image, $flag taken away: passed=$passed" >&2
        failures=$((failures + 1))
      fi
    done
  done
  # Hardened 32-bit images that XP SP3 would or would not load, for their subsystem version or
  # their imports (DLL:FUNCTION, DLL:#N by number).
  local subsystem imports
  while read -r expected subsystem imports; do
    # shellcheck disable=SC2086
    made_up "$dir/x.exe" 32 $((0x0002 | 0x0020)) $((0x0040 | 0x0100 | 0x8000)) 12 "$subsystem" \
      $imports
    cases=$((cases + 1))
    if check "$dir/x.exe" >/dev/null 2>&1; then passed=yes; else passed=no; fi
    if [ "$passed" != "$expected" ]; then
      echo "check-exe.sh: self-test: subsystem $subsystem, imports $imports: passed=$passed" >&2
      failures=$((failures + 1))
    fi
  done <<'EOF'
yes 5.1 kernel32.dll:GetTickCount user32.dll:CreateWindowExW KERNEL32.dll:Sleep
yes 4.0 kernel32.dll:GetTickCount
no  6.0 kernel32.dll:GetTickCount
no  5.2 kernel32.dll:GetTickCount
no  5.1 kernel32.dll:GetTickCount kernel32.dll:GetTickCount64
no  5.1 user32.dll:CreateWindowExW kernel32.dll:GetFinalPathNameByHandleW
no  5.1 kernel32.dll:FlsAlloc
no  5.1 comctl32.dll:TaskDialogIndirect
no  5.1 shell32.dll:SHGetKnownFolderPath
no  5.1 kernel32.dll:#17
no  5.1 libwinpthread-1.dll:pthread_mutex_lock
EOF
  echo "check-exe.sh: self-test: $((cases - failures)) of $cases cases right"
  [ "$failures" = 0 ]
}

if [ "${1:-}" = --self-test ]; then
  self_test
  exit
fi
[ $# -gt 0 ] || { echo "usage: check-exe.sh EXE... | --self-test" >&2; exit 2; }
status=0
for f in "$@"; do
  check "$f" || status=1
done
exit "$status"
