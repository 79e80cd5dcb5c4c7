#!/usr/bin/env bash
# Checks that every C and C++ source is formatted as .clang-format says, and that every shell
# script passes shellcheck (all its checks, following the files a script sources); prints what
# fails and exits non-zero. `--fix` formats the C and C++ sources in place instead (shellcheck's
# findings are fixed by hand, or a check is turned off on its line with the reason beside it).
# Looks at the files under version control and the new ones not ignored.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

files() { git ls-files --cached --others --exclude-standard "$@"; }

mapfile -t sources < <(files '*.c' '*.cpp' '*.h')
if [ "${1:-}" = --fix ]; then
  clang-format -i "${sources[@]}"
  exit 0
fi
status=0
# (One clang-format for all the files: it names each file it would change in its warnings.)
if ! report=$(clang-format --dry-run -Werror "${sources[@]}" 2>&1); then
  echo "format-check.sh: not formatted as .clang-format says (bash scripts/format-check.sh --fix):" >&2
  sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error: .*/  \1/p' <<<"$report" | sort -u >&2
  status=1
fi

# The shell scripts: the .sh files, and the others that start with a shell's #! line.
scripts=()
while IFS= read -r f; do
  if [[ $f == *.sh ]] || { [ -f "$f" ] && head -n 1 "$f" | grep -qE '^#!.*[/ ](ba)?sh( |$)'; }; then
    scripts+=("$f")
  fi
done < <(files)
# (-P SCRIPTDIR: a script's `source` directives name files beside it. Two at a time: each
# script is checked with the files it sources.)
if ! printf '%s\0' "${scripts[@]}" | xargs -0 -n 4 -P 2 shellcheck -x -P SCRIPTDIR >&2; then
  echo "format-check.sh: shellcheck finds the above in the shell scripts" >&2
  status=1
fi
exit "$status"
