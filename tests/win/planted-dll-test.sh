#!/usr/bin/env bash
# planted-dll-test.sh KELVR_EXE PROBE_EXE PLANTED_DLL LOAD_BY_NAME_EXE
# A DLL of a system DLL's name put in kelvr.exe's folder (tests/win/PlantedDll.c) is never
# loaded: the DLLs the program loads as it needs them come from the system's folder. Windows
# looks for a DLL named alone in the program's folder first, unless it is one of its known
# DLLs; Wine is told to do the same for the screen readers' DLL, oleacc.dll, which kelvr.exe
# loads when a screen reader first reads its window, as the probe does here.
set -uo pipefail
# shellcheck source=../../scripts/wine-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh" || exit 1
# shellcheck source=checks.sh
source "$(dirname "${BASH_SOURCE[0]}")/checks.sh"
kelvr=$1
probe=$2
planted=$3
load_by_name=$4

# A display of its own: a window shown on a shared one could come under another test's mouse.
trap 'kelvr_end_throwaway_prefix; kelvr_end_private_display' EXIT
kelvr_private_display || exit 1
kelvr_throwaway_prefix || exit 1
wineserver -p >/dev/null 2>&1

folder=$KELVR_RUN_DIR/planted
mkdir -p "$folder"
cp "$kelvr" "$folder/kelvr.exe"
cp "$planted" "$folder/oleacc.dll"
rm -f "$folder/oleacc.dll.loaded"

overrides="${WINEDLLOVERRIDES:-};oleacc=n,b"
loaded() { [ -e "$folder/oleacc.dll.loaded" ]; }
not() { ! "$@"; }

# First, that the planted DLL is what a program beside it gets when it loads oleacc.dll by its
# name alone (tests/win/LoadByName.c): otherwise the last check would prove nothing.
cp "$load_by_name" "$folder/load-by-name.exe"
WINEDLLOVERRIDES=$overrides wine "$folder/load-by-name.exe" oleacc.dll >/dev/null 2>&1
check "a program that names oleacc.dll alone gets the planted one" loaded
rm -f "$folder/oleacc.dll.loaded" "$folder/load-by-name.exe"

main=" Kelvaro"
WINEDLLOVERRIDES=$overrides kelvr_start "$folder/kelvr.exe" >/dev/null 2>&1
program=$KELVR_PID
check "the main window shows" until_ 20 shown "$main"
read_by_screen_reader() { probe texts "$main" | grep -qxF "Drive"; }
check "a screen reader reads it" until_ 5 read_by_screen_reader
check "with the system's oleacc.dll, not the one beside kelvr.exe" not loaded

kill "$program" 2>/dev/null
checks_summary planted-dll
