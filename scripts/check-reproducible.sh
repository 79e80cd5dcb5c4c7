#!/usr/bin/env bash
# check-reproducible.sh: fails unless the same sources give a byte-identical kelvr.exe from any
# folder and at any time. Compares kelvr.exe builds from folders of different names and depths,
# made at different times: build/mingw/kelvr.exe, when it is there and up to date, and one
# built from a copy of the sources (as they are in the working tree) in another folder; or,
# when the tree's own build is not current, two such copies, built one after the other. Each
# copy builds only kelvr.exe, with the mingw preset. SOURCE_DATE_EPOCH is unset, so that
# nothing but the build itself keeps time stamps out.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$PWD
unset SOURCE_DATE_EPOCH

work=$(mktemp -d "${TMPDIR:-/tmp}/kelvr-repro.XXXXXX")
trap 'rm -rf "$work"' EXIT

# The files git knows, as they are now (uncommitted changes included).
sources() { git -C "$root" ls-files -z --cached --others --exclude-standard; }

# The tree's own build, when ninja has nothing left to do for it (it is then these sources').
exes=()
dirs=("$work/another/folder/kelvr-sources")
if [ -f build/mingw/build.ninja ] && [ "$(ninja -C build/mingw -n kelvr | tail -n 1)" = "ninja: no work to do." ]; then
  exes+=("$root/build/mingw/kelvr.exe")
else
  dirs=("$work/a" "${dirs[@]}")
fi
for dir in "${dirs[@]}"; do
  mkdir -p "$dir"
  sources | (cd "$root" && xargs -0 tar -cf - --no-recursion) | tar -xf - -C "$dir"
  log=$work/$(basename "$dir").log
  if ! (cd "$dir" && cmake --preset mingw -DKELVR_TESTS=OFF &&
    cmake --build --preset mingw -j2 --target kelvr) >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    echo "check-reproducible.sh: the build in $dir failed" >&2
    exit 1
  fi
  exes+=("$dir/build/mingw/kelvr.exe")
done

status=0
for exe in "${exes[@]:1}"; do
  if ! cmp -s "${exes[0]}" "$exe"; then
    echo "check-reproducible.sh: ${exes[0]#"$work"/} and ${exe#"$work"/} differ" \
      "($(cmp -l "${exes[0]}" "$exe" | wc -l) bytes, the first at offset" \
      "$(cmp "${exes[0]}" "$exe" | awk '{ print $5 }' | tr -d ,))" >&2
    status=1
  fi
done
[ "$status" = 0 ] && echo "kelvr.exe: ${#exes[@]} builds from different folders, byte-identical" \
  "($(stat -c %s "${exes[0]}") bytes, SHA-256 $(sha256sum "${exes[0]}" | cut -c1-16)...)"
exit "$status"
