#!/usr/bin/env bash
# Installs what building, running and testing Kelvr needs on Debian 12 or Ubuntu: the native
# and MinGW-w64 compilers (32- and 64-bit), clang and lld, CMake, Ninja, GoogleTest's sources,
# clang-format and shellcheck, 32- and 64-bit Wine with its fonts, the fonts the windows are
# drawn with, fonts with Chinese and Japanese and with Greek letters (for labels in other
# scripts, which Wine's own fonts lack), Xvfb, xdotool, ImageMagick, FUSE (for drives that hang
# or report any size), the Italian locale and zip (for the release).
# Runs as root, or through sudo otherwise. When everything is there already it only checks
# (well under a second) and prints nothing.
set -euo pipefail

packages=(
  g++ cmake ninja-build googletest clang-format shellcheck
  g++-mingw-w64-i686 g++-mingw-w64-x86-64-posix clang lld
  wine wine32:i386 wine64 fonts-wine
  fonts-liberation2 fonts-ebgaramond fonts-wqy-zenhei fonts-dejavu-core
  xvfb xdotool imagemagick
  locales zip
  fuse3 libfuse3-dev pkg-config
)
locale_name=it_IT.UTF-8

die() { echo "deps.sh: $*" >&2; exit 1; }

as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  elif command -v sudo >/dev/null 2>&1; then
    sudo "$@"
  else
    die "'$*' needs root, and sudo is not installed; run this script as root"
  fi
}

if ! command -v dpkg-query >/dev/null 2>&1 || ! command -v apt-get >/dev/null 2>&1; then
  die "this script needs a Debian or Ubuntu system (dpkg and apt-get)"
fi

# Packages not yet installed. One dpkg-query call for all of them keeps the check fast.
# (A package that may be installed for several architectures is named with its own.)
missing=()
installed=$(dpkg-query -W -f='${binary:Package} ${db:Status-Abbrev}\n' "${packages[@]}" 2>/dev/null || true)
arch=$(dpkg --print-architecture)
for p in "${packages[@]}"; do
  grep -qxF -e "$p ii " -e "$p:$arch ii " <<<"$installed" || missing+=("$p")
done

# (Command output is captured before grep reads it: with pipefail, a grep -q that stops reading
# early could make the pipeline fail.)
has_locale() { grep -qiE '^it_IT\.utf-?8$' <<<"$(locale -a 2>/dev/null)"; }

if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  log=$(mktemp "${TMPDIR:-/tmp}/kelvr-deps.XXXXXX")
  trap 'rm -f "$log"' EXIT
  echo "deps.sh: installing ${missing[*]}" >&2
  if ! grep -qx i386 <<<"$(dpkg --print-foreign-architectures)"; then
    as_root dpkg --add-architecture i386
  fi
  # A mirror in the middle of a sync serves an index of the wrong size for a while: update
  # again after longer and longer pauses (some 4 minutes in all), and where one index still
  # fails, install from those that came.
  updated=no
  for pause in 15 30 60 120 0; do
    if as_root apt-get update >"$log" 2>&1; then
      updated=yes
      break
    fi
    [ "$pause" -gt 0 ] && sleep "$pause"
  done
  if [ "$updated" = no ]; then
    grep -E '^(E|W):' "$log" >&2 || true
    echo "deps.sh: apt-get update kept failing; installing from the indexes it has" >&2
  fi
  if ! as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}" >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    die "apt-get install failed"
  fi
fi

if ! has_locale; then
  # Debian's locale-gen builds what /etc/locale.gen lists; Ubuntu's also takes the name.
  # localedef is the fallback that works on both.
  if [ -f /etc/locale.gen ]; then
    if grep -qE "^# *$locale_name UTF-8" /etc/locale.gen; then
      as_root sed -i "s/^# *\($locale_name UTF-8\)/\1/" /etc/locale.gen
    elif ! grep -qE "^$locale_name UTF-8" /etc/locale.gen; then
      echo "$locale_name UTF-8" | as_root tee -a /etc/locale.gen >/dev/null
    fi
  fi
  as_root locale-gen >/dev/null 2>&1 || true
  has_locale || as_root localedef -i it_IT -c -f UTF-8 "$locale_name" >/dev/null 2>&1 || true
  has_locale || die "could not generate the $locale_name locale"
fi
