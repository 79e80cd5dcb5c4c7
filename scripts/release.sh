#!/usr/bin/env bash
# release.sh: builds kelvr.exe for release and packs it with its Italian and English read-me
# into build/release/kelvr-VERSION-win32.zip, beside a SHA256SUMS of the zip. The version and
# the maker's details come from src/Version.h and src/info/Content.h, as the about window
# shows them. The zip is reproducible: the same sources give the same bytes (its entries carry
# the time of the last commit, or SOURCE_DATE_EPOCH when set, and no other file attributes).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$PWD

bash scripts/deps.sh

# define FILE NAME: the string a header's #define or constexpr gives NAME.
define() {
  sed -nE "s/^(#define $2|constexpr const char\* $2 =) \"(.*)\";?$/\2/p" "$1" | head -n 1
}
title=$(define src/Version.h KELVR_TITLE)
version=$(define src/Version.h KELVR_VERSION_TEXT)
company=$(define src/Version.h KELVR_COMPANY)
owner=$(define src/info/Content.h kOwner)
mail=$(define src/info/Content.h kMail)
site=$(define src/info/Content.h kSite)
for v in title version company owner mail site; do
  [ -n "${!v}" ] || { echo "release.sh: found no $v in the sources" >&2; exit 1; }
done

out=build/release
build=$out/mingw
mkdir -p "$out"
log=$out/build.log
if ! { cmake --preset mingw -B "$build" -DKELVR_TESTS=OFF &&
  cmake --build "$build" -j2 --target kelvr; } >"$log" 2>&1; then
  tail -n 40 "$log" >&2
  echo "release.sh: the build failed (full log: $log)" >&2
  exit 1
fi
bash scripts/check-exe.sh "$build/kelvr.exe"

stage=$(mktemp -d "${TMPDIR:-/tmp}/kelvr-release.XXXXXX")
trap 'rm -rf "$stage"' EXIT
cp "$build/kelvr.exe" "$stage/kelvr.exe"
# The read-me: UTF-8 with a byte order mark, so that every Notepad reads the accents right, and
# Windows' line ends.
for f in LEGGIMI.txt README.txt; do
  {
    printf '\xEF\xBB\xBF'
    sed -e "s|@TITLE@|$title|g; s|@VERSION@|$version|g; s|@COMPANY@|$company|g" \
      -e "s|@OWNER@|$owner|g; s|@MAIL@|$mail|g; s|@SITE@|$site|g; s|\$|\r|" "release/$f"
  } >"$stage/$f"
done

stamp=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 0)}
chmod 644 "$stage"/*
touch -d "@$stamp" "$stage"/*
zip_name=kelvr-$version-win32.zip
rm -f "$out/$zip_name"
# -X: no Unix owners or extra times; -D: no folder entries; UTC: the entries' DOS times.
(cd "$stage" && TZ=UTC zip -X -D -q -9 "$root/$out/$zip_name" kelvr.exe LEGGIMI.txt README.txt)
(cd "$out" && sha256sum "$zip_name" >SHA256SUMS)
echo "$out/$zip_name ($(stat -c %s "$out/$zip_name") bytes; kelvr.exe $(stat -c %s "$stage/kelvr.exe") bytes)"
cat "$out/SHA256SUMS"
