#!/usr/bin/env bash
# fixture.sh setup|cleanup NAME
# Makes or removes the ctest fixture NAME that Windows tests ask for (FIXTURES_REQUIRED in
# tests/win/CMakeLists.txt), once per ctest run: fake_drives, the FUSE drives of real large
# sizes, or wide_folder, the folder of 40,000 subfolders. See scripts/wine-fixtures.sh.
set -uo pipefail
# shellcheck source=../../scripts/wine-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh" || exit 1

case ${1:-} in
  setup) kelvr_fixture_setup "${2:?fixture name}" ;;
  cleanup) kelvr_fixture_cleanup "${2:?fixture name}" ;;
  *)
    echo "usage: ${0##*/} setup|cleanup fake_drives|wide_folder" >&2
    exit 2
    ;;
esac
