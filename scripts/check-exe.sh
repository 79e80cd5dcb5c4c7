#!/usr/bin/env bash
# check-exe.sh EXE...: fails unless each Windows program is hardened as the build means it to be.
# Reads the PE headers itself (32- and 64-bit images alike, whatever toolchain made them):
#   Characteristics:    executable, large-address-aware, relocations kept (ASLR needs them);
#   DllCharacteristics: DYNAMIC_BASE (ASLR), NX_COMPAT (DEP), TERMINAL_SERVER_AWARE, and for a
#                       64-bit image HIGH_ENTROPY_VA (ASLR over the whole address space);
#   a base relocation table that is not empty, without which DYNAMIC_BASE moves nothing.
# check-exe.sh --self-test: checks the checker on made-up headers, one flag missing at a time.
set -euo pipefail

# u16/u32 FILE OFFSET: a little-endian number from the file.
u16() { od -An -tu2 -j "$2" -N2 --endian=little "$1" | tr -d ' '; }
u32() { od -An -tu4 -j "$2" -N4 --endian=little "$1" | tr -d ' '; }

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
  printf '%s: PE%s, Characteristics 0x%04x, DllCharacteristics 0x%04x' \
    "${f##*/}" "$([ "$bits" = 64 ] && echo 32+ || echo 32)" "$chars" "$dll"
  if [ ${#missing[@]} -gt 0 ]; then
    printf '; missing: %s\n' "$(IFS=,; echo "${missing[*]}" | sed 's/,/, /g')"
    return 1
  fi
  echo '; hardened'
}

# made_up FILE BITS CHARS DLLCHARS RELOCS: a file with just the headers check() reads.
made_up() {
  local f=$1 bits=$2 opt=$((64 + 24)) dirs
  dirs=$([ "$bits" = 64 ] && echo 112 || echo 96)
  # le N BYTES: N as BYTES little-endian bytes, in printf's octal escapes.
  le() { local v=$1 i; for ((i = 0; i < $2; i++)); do printf '\\%03o' $(((v >> (8 * i)) & 255)); done; }
  head -c 1024 /dev/zero >"$f"
  put() { printf "$(le "$2" "$3")" | dd of="$f" bs=1 seek="$1" conv=notrunc status=none; }
  printf 'MZ' | dd of="$f" bs=1 conv=notrunc status=none
  put 60 64 4
  printf 'PE\0\0' | dd of="$f" bs=1 seek=64 conv=notrunc status=none
  put $((64 + 22)) "$3" 2
  put "$opt" "$([ "$bits" = 64 ] && echo 523 || echo 267)" 2
  put $((opt + 70)) "$4" 2
  put $((opt + dirs + 5 * 8 + 4)) "$5" 4
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
