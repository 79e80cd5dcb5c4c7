#!/usr/bin/env bash
# bench.sh: builds what the benchmarks need in both presets (quietly; the build's output goes to
# build/logs/bench-build.log) and prints Kelvr's measured figures as Markdown, ready to paste
# into docs/benchmarks.md (the README keeps a summary against the targets):
#   - the search of the maker window's "? Sistema" button, natively (the program's own search
#     code over the POSIX file system, against find(1)) and under Wine (kelvr's own search over
#     the real WinHost and WinFileSystem, against a plain recursive FindFirstFileW walk), on
#     generated folder trees, with the longest stretches without a yield to the event loop;
#   - the start-up of kelvr.exe under Wine, against a minimal Win32 program;
#   - start-up and unit choices under Wine with drives that stop answering (FUSE drives that
#     hang on demand, tests/win/hung-drives-test.sh), and how long the window went unanswered;
#   - a header click, a page of scrolling and a change of DPI in the main window under Wine,
#     with 26 drives of distinct sizes, each until painted (bench/UiBench.cpp);
#   - the size of kelvr.exe and the DLLs it imports.
# Assumes `bash scripts/deps.sh` has been run. Takes minutes, most of them the 111,110-folder
# tree under Wine.
#
# Every Wine process of the run (the server included) is kept on one CPU. Under Wine each file
# operation and each message-queue call is a round trip to wineserver; spread over two CPUs of
# a virtual machine, each round trip waits for an idle CPU to wake up, which made the same
# search several times slower from one run to the next and the machine mostly idle. On one CPU
# the two sides of a round trip hand over directly and the figures repeat.
#
# Settings read from the environment:
#   KELVR_BENCH_NATIVE_RUNS   native search runs per tree (default 7; 5 on the two largest)
#   KELVR_BENCH_WINE_RUNS     search runs under Wine (default 5; 3 on the two largest, where
#                             one run is long)
#   KELVR_BENCH_START_ROUNDS  start-up rounds (default 60: one start varies by tens of ms)
#   KELVR_BENCH_WINE_CPU      the CPU the Wine processes run on (default: the last one);
#                             "none" lets them run on any
#   KELVR_BENCH_DRIVE_ROUNDS  runs of each hung-drive case (default 5)
#   KELVR_BENCH_UI_ROUNDS     actions of each kind in the window part (default 40)
#   KELVR_BENCH_BASELINE_EXE  another kelvr.exe (an older build, say) for the window part to
#                             measure beside this one, in the same run
#   KELVR_BENCH_TREES         the search's trees (default "10x3 10x4 1x40000 10x5")
#   KELVR_BENCH_ONLY          "search", "start", "drives" or "ui": only that part (default: all)
# and those of wine-env.sh (KELVR_DISPLAY, KELVR_KEEP_PREFIX, KELVR_BUILD_DIR).
set -euo pipefail
# shellcheck source=wine-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
cd "$KELVR_ROOT"

die() {
  kelvr_fail "$@"
  exit 1
}

native_runs=${KELVR_BENCH_NATIVE_RUNS:-7}
native_runs_large=${KELVR_BENCH_NATIVE_RUNS:-5}
wine_runs=${KELVR_BENCH_WINE_RUNS:-5}
wine_runs_large=${KELVR_BENCH_WINE_RUNS:-3}
start_rounds=${KELVR_BENCH_START_ROUNDS:-60}
drive_rounds=${KELVR_BENCH_DRIVE_ROUNDS:-5}
ui_rounds=${KELVR_BENCH_UI_ROUNDS:-40}
wine_cpu=${KELVR_BENCH_WINE_CPU:-$(($(nproc) - 1))}
pin=()
[ "$wine_cpu" = none ] || pin=(taskset -c "$wine_cpu")
only=${KELVR_BENCH_ONLY:-}
case $only in
  '' | search | start | drives | ui) ;;
  *) die "KELVR_BENCH_ONLY is \"search\", \"start\", \"drives\" or \"ui\", not \"$only\"" ;;
esac
# Whether this run measures part $1.
part() { [ -z "$only" ] || [ "$only" = "$1" ]; }

started=$SECONDS
native_dir=$KELVR_BUILD_DIR/native
mingw_dir=$KELVR_BUILD_DIR/mingw
log=$KELVR_BUILD_DIR/logs/bench-build.log
mkdir -p "$(dirname "$log")"
: >"$log"

build() {
  if ! "$@" >>"$log" 2>&1; then
    tail -n 40 "$log" >&2
    die "build step failed: $* (log: $log)"
  fi
}
build cmake --preset native
build cmake --build --preset native --target kelvr_search_bench kelvr_search_bench_debug
build cmake --preset mingw
build cmake --build --preset mingw --target kelvr kelvr_search_bench kelvr_minimal \
  kelvr_minimal_manifest kelvr_minimal_comctl kelvr_minimal_children kelvr_minimal_drives \
  kelvr_start_steps kelvr_start_bench kelvr_drive_probe kelvr_ui_bench

search_native=$native_dir/bench/kelvr_search_bench
search_native_debug=$native_dir/bench/kelvr_search_bench_debug
wine_bench=$mingw_dir/bench
kelvr_exe=$mingw_dir/kelvr.exe

work=$(mktemp -d "${TMPDIR:-/tmp}/kelvr-bench.XXXXXX")
cleanup() {
  kelvr_end_throwaway_prefix
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# The Windows path of a Unix file, through drive Z: (the Unix root).
winpath() {
  local p
  p=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
  echo "Z:${p//\//\\}"
}

# The median of the numbers on standard input, one a line. (The C locale, whatever the
# caller's: the figures have a decimal point.)
median() {
  LC_ALL=C sort -g | LC_ALL=C awk '{ v[NR] = $1 } END {
    if (NR == 0) { print "-"; exit }
    m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf "%.1f\n", m }'
}

# A Windows program of the throwaway prefix, its output in files rather than pipes: the
# prefix's services, kept running by `wineserver -p`, inherit the program's standard streams.
wine_out() {
  local rc=0
  kelvr_italian "${pin[@]}" wine "$@" >"$work/wine.out" 2>"$work/wine.err" || rc=$?
  tr -d '\r' <"$work/wine.out"
  if [ "$rc" != 0 ]; then
    tr -d '\r' <"$work/wine.err" >&2
    die "failed under Wine ($rc): $*"
  fi
}

# The trees: "10xN" has 10 subfolders in every folder, N levels deep; "1x40000" is one
# folder holding 40,000 subfolders. Every folder also holds one empty file; none holds
# MSINFO32.EXE.
read -ra trees <<<"${KELVR_BENCH_TREES:-10x3 10x4 1x40000 10x5}"
part search || trees=()
declare -A folders
for t in "${trees[@]}"; do
  case $t in
    10x*) folders[$t]=$("$search_native" make-tree "$work/$t" fan 10 "${t#10x}") ;;
    1x*) folders[$t]=$("$search_native" make-tree "$work/$t" wide "${t#1x}") ;;
  esac
done

cpu=$(grep -m1 '^model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')
echo "## Kelvr's benchmarks"
echo
echo "$(date '+%Y-%m-%d %H:%M %Z'); $(nproc) CPUs, ${cpu:-unknown CPU}; Linux $(uname -r);" \
  "$(wine --version); kelvr at $(git -C "$KELVR_ROOT" rev-parse --short HEAD 2>/dev/null || echo '?')$(
    git -C "$KELVR_ROOT" diff --quiet HEAD -- src 2>/dev/null || echo ', with uncommitted changes in src/')."
echo
if part search; then
  echo "Trees: \"10xN\" has 10 subfolders in every folder, N levels deep; \"1x40000\" is one folder"
  echo "holding 40,000 subfolders. Every folder also holds one empty file; none holds MSINFO32.EXE,"
  echo "so each search walks the whole tree and ends with \"MSINFO32.EXE  NON TROVATO\"."
  echo "Times are medians of the runs, in ms; one warm-up of each side first (the tree is in the"
  echo "cache), then the program and the reference alternated; ratio = median of program/reference"
  echo "over the runs. Yield columns: the worst over all runs of the longest stretch without a"
  echo "yield to the event loop (FormHost::DoEvents), of click to first yield, of last yield to"
  echo "the end, and the count of stretches over 50 ms (targets: ratio at most 1.3, 50 ms)."
  echo

  header='| tree         | folders | runs | program ms | reference ms | ratio | max gap | click→1st | last→end | >50 ms |'
  rule='|--------------|--------:|-----:|-----------:|-------------:|------:|--------:|----------:|---------:|-------:|'
  bheader='| tree         | search ms | listing ms (calls) | file tests ms (calls) | yields ms (calls) | rest ms |'
  brule='|--------------|----------:|-------------------:|----------------------:|------------------:|--------:|'

  # Where a search's time goes: the rows gathered in $work/breakdown.
print_breakdown() {
  echo "Where the time goes (one more search, each file-system call timed):"
  echo
  echo "$bheader"
  echo "$brule"
  cat "$work/breakdown"
  echo
}

# --- The search, natively -----------------------------------------------------------------
  echo "### Folder search, native: the program's search code (InfQirvo, built -O2) against \`find DIR -name MSINFO32.EXE\`"
  echo
  echo "$header"
  echo "$rule"
  : >"$work/breakdown"
  for t in "${trees[@]}"; do
    runs=$native_runs
    [ "${folders[$t]}" -ge 40000 ] && runs=$native_runs_large
    "$search_native" run --runs "$runs" --breakdown "$t" "$work/$t" >"$work/row"
    grep '^| ' "$work/row"
    { grep '^B| ' "$work/row" || true; } | sed 's/^B//' >>"$work/breakdown"
  done
  if [ -d "$work/10x4" ]; then
    "$search_native_debug" run --runs "$native_runs" "10x4 Debug" "$work/10x4" | grep '^| '
    echo
    echo "\"10x4 Debug\": the same code as the native preset builds it (Debug, unoptimised)."
  fi
  print_breakdown
fi

# --- Under Wine ----------------------------------------------------------------------------
kelvr_use_display || exit 1
kelvr_throwaway_prefix || exit 1
# One server for the whole run, so that every program starts against the same warm Wine.
"${pin[@]}" wineserver -p
# C:\Programmi holds each tree in turn, and nothing else: whatever the throwaway prefix puts
# there for the tests goes.
programs="$WINEPREFIX/drive_c/Programmi"
rm -rf "$programs"

if part search; then
  echo "### Folder search under Wine: kelvr's search (InfQirvo, WinHost, WinFileSystem, release build) against a plain recursive FindFirstFileW walk"
  echo
  echo "The window is shown and each yield runs WinHost::DoEvents; only the closing message box is"
  echo "recorded instead of shown. Wine's processes on one CPU$([ "$wine_cpu" = none ] && echo ': no, on any CPU')."
  echo
  echo "$header"
  echo "$rule"
  : >"$work/breakdown"
  # The search walks C:\Programmi only where that is the programs folder, as on an Italian
  # Windows XP; Wine takes it from this value, when the folder named there exists.
  programs_key='HKLM\Software\Microsoft\Windows\CurrentVersion'
  "${pin[@]}" wine reg add "$programs_key" /v ProgramFilesDir /d 'C:\Programmi' /f >/dev/null
  for t in "${trees[@]}"; do
    mv "$work/$t" "$programs"
    opts=(--runs "$wine_runs" --breakdown)
    # One run of these is long: fewer runs, and no instrumented one for the largest.
    [ "${folders[$t]}" -ge 40000 ] && opts=(--runs "$wine_runs_large")
    [ "$t" = 1x40000 ] && opts+=(--breakdown)
    wine_out "$wine_bench/kelvr_search_bench.exe" "${opts[@]}" "$t" >"$work/row"
    mv "$programs" "$work/$t"
    grep '^| ' "$work/row"
    { grep '^B| ' "$work/row" || true; } | sed 's/^B//' >>"$work/breakdown"
  done
  "${pin[@]}" wine reg add "$programs_key" /v ProgramFilesDir /d 'C:\Program Files' /f >/dev/null
  echo
  print_breakdown
  wine_out "$wine_bench/kelvr_search_bench.exe" --yield-costs >"$work/row"
  grep '^Y| ' "$work/row" | LC_ALL=C awk -F' *[|] *' '{
    printf "One call, in µs, with no message waiting: WinHost::DoEvents (PeekMessageW) %s,", $2
    printf " GetQueueStatus %s, GetInputState %s, GetTickCount %s.\n", $3, $4, $5 }'
  echo
fi

# --- Start-up under Wine -------------------------------------------------------------------
if part start; then
  steps_log=$work/steps.log
  : >"$steps_log"
  KELVR_STEPS_LOG=$(winpath "$steps_log") wine_out "$wine_bench/kelvr_start_bench.exe" \
    --runs "$start_rounds" \
    "kelvr.exe=$(winpath "$kelvr_exe")" \
    "minimal=$(winpath "$wine_bench/kelvr_minimal.exe")" \
    "minimal+manifest=$(winpath "$wine_bench/kelvr_minimal_manifest.exe")" \
    "minimal+comctl=$(winpath "$wine_bench/kelvr_minimal_comctl.exe")" \
    "minimal+children=$(winpath "$wine_bench/kelvr_minimal_children.exe")" \
    "minimal+drives=$(winpath "$wine_bench/kelvr_minimal_drives.exe")" \
    "kelvr steps=$(winpath "$wine_bench/kelvr_start_steps.exe")" >"$work/start"
  echo "### Start-up under Wine: process start to main window shown and painted"
  echo
  echo "Measured by a Windows launcher (bench/StartBench.cpp): CreateProcess, WaitForInputIdle, then"
  echo "a poll every 1 ms until a visible top-level window of the process exists and neither it"
  echo "nor any visible child has an update region left (GetUpdateRect answers FALSE: it has"
  echo "been drawn); then WM_CLOSE, the end of the process, and 200 ms for the servers to let its"
  echo "windows go. A warm-up of each, then $start_rounds rounds, the order reversed every other"
  echo "round, one wineserver throughout, Wine on one CPU. \"minimal\""
  echo "(bench/minimal.cpp) registers a class, shows one window and paints a line of text;"
  echo "\"minimal+manifest\" is the same with kelvr.exe's manifest (common controls 6, DPI aware);"
  echo "\"minimal+comctl\" adds importing comctl32 and advapi32 and calling InitCommonControlsEx at"
  echo "start, which kelvr.exe leaves until a tooltip, a button or the registry is first needed;"
  echo "\"minimal+children\" is minimal+manifest whose window holds 28 child windows that paint a"
  echo "word each, as many as the labels and bars kelvr's main window shows here (four drives);"
  echo "\"minimal+drives\" is minimal+manifest that first asks every drive's type, label and"
  echo "figures, each drive on a thread of its own, and waits for them all before it makes its"
  echo "window, as kelvr.exe does: what any program pays that asks its drives so;"
  echo "\"kelvr steps\" is kelvr.exe's WinMain with clocks around its steps (bench/StartSteps.cpp)."
  echo "\"seen unpainted\": runs in which a poll found the window visible but not yet painted"
  echo "(WaitForInputIdle returns once the first paint is done, so usually none)."
  echo
  echo "| program          | median ms | lowest | highest | input idle ms | seen unpainted |"
  echo "|------------------|----------:|-------:|--------:|--------------:|---------------:|"
  grep '^| ' "$work/start"
  echo
  echo "| ratio                          | of the medians | median of the rounds' ratios |"
  echo "|--------------------------------|---------------:|-----------------------------:|"
  grep '^R| ' "$work/start" | sed -E 's/^R\| (.*) \| ([0-9.]+) \| ([0-9.]+) \|$/\1\t\2\t\3/' |
    awk -F'\t' '{ printf "| %-30s | %14s | %28s |\n", $1, $2, $3 }'
  echo
  echo "Target: kelvr.exe / minimal at most 1.10."
  echo
  col() { LC_ALL=C awk -v name="$1" -v c="$2" '$1 == name { print $c }' "$steps_log" | median; }
  echo "Inside the processes (medians, ms): process creation to WinMain, to painted, and the" \
    "ShowWindow and UpdateWindow that show the window: minimal $(col minimal 2), $(col minimal 3)," \
    "$(col minimal 4); minimal+manifest $(col manifest 2), $(col manifest 3), $(col manifest 4);" \
    "minimal+comctl $(col comctl 2), $(col comctl 3), $(col comctl 4);" \
    "minimal+children $(col children 2), $(col children 3), $(col children 4);" \
    "minimal+drives $(col drives 2), $(col drives 3), $(col drives 4)."
  echo "kelvr steps: creation to WinMain $(col steps 2); WinHost $(col steps 3);" \
    "Program $(col steps 4); starting the drives' threads $(col steps 5); main window's Show() $(col steps 6)" \
    "(of which making its window $(col steps 7), window updates $(col steps 8) with the one" \
    "that shows it $(col steps 14): showing the window and drawing it whole, buttons included;" \
    "waiting for the drives' names and figures $(col steps 9));" \
    "Show() to all painted $(col steps 10); total $(col steps 11). Spent in the main window's" \
    "WM_PAINT and WM_ERASEBKGND $(col steps 12), in WM_NCPAINT and WM_NCACTIVATE (caption," \
    "frame, menu bar) $(col steps 13)."
  echo
fi

# --- Drives that stop answering, under Wine --------------------------------------------------
if part drives; then
  echo "### Drives that stop answering, under Wine"
  echo
  echo "kelvr.exe with FUSE drives of 20 TiB (tests/win/fakedisk.c) beside C: and Z:, of which 0,"
  echo "1 or 3 block every statfs (and so their type, label and figures) until released, driven by"
  echo "tests/win/kelvr_drive_probe from another process (tests/win/hung-drives-test.sh --bench):"
  echo "start-up with the drives already hanging, to the main window shown and painted; a unit"
  echo "choice once they are known to hang (to every figure in the new unit); the time for the"
  echo "rows to fill in once they answer; a unit choice after they hang again, and a reading of"
  echo "the table through Active Accessibility from another thread 300 ms into it, as a screen"
  echo "reader's; WM_CLOSE to the process's end, with the drives still hanging; and, all along,"
  echo "the longest a WM_NULL sent every 10 ms took to be answered. Medians of $drive_rounds runs,"
  echo "the longest wait the highest; Wine on one CPU."
  echo
  "${pin[@]}" bash "$KELVR_ROOT/tests/win/hung-drives-test.sh" "$kelvr_exe" \
    "$mingw_dir/tests/win/kelvr_drive_probe.exe" --bench "$drive_rounds"
  echo
  echo "Targets: start-up and every unit choice 2.5 s at most, however many drives hang; a unit"
  echo "choice 100 ms at most when the hung drives are known; the window never unanswered for more"
  echo "than 200 ms, nor a screen reader while the window waits."
  echo
fi

# --- The main window's answers, under Wine ---------------------------------------------------
if part ui; then
  echo "### The main window with 26 drives, under Wine"
  echo
  echo "kelvr.exe with 24 FUSE drives of distinct sizes (tests/win/fakedisk.c) beside C: and Z:, on"
  echo "a 1024x768 screen, where the rows do not all fit and a scroll bar comes; timed from"
  echo "another process (bench/UiBench.cpp): a click sent to a header, the next one each time so"
  echo "that the rows move; a page of scrolling (WM_VSCROLL SB_PAGEDOWN to the end, then back up);"
  echo "a change of DPI between 96 and 120 (WM_DPICHANGED, as when the window moves to a screen of"
  echo "another scale); each until the window has nothing left to paint. $ui_rounds of each, their"
  echo "mean and worst in ms, and the longest a WM_NULL sent every 10 ms went unanswered."
  [ -n "${KELVR_BENCH_BASELINE_EXE:-}" ] &&
    echo "\"before\" is $KELVR_BENCH_BASELINE_EXE, measured in the same run."
  echo
  kelvr_end_throwaway_prefix
  KELVR_DESKTOP=1024x768 kelvr_throwaway_prefix || exit 1
  # Capacities and free space that differ from drive to drive, in blocks of 4 KiB.
  n=0
  for letter in {a..y}; do
    [ "$letter" = c ] && continue
    n=$((n + 1))
    echo "$letter $((((n * 7919) % 97 + 3) << 32)) $((((n * 104729) % 89 + 1) << 30)) DISCO ${letter^^}"
  done >"$work/drives"
  kelvr_add_fake_drives "$work/drives" || exit 1
  kelvr_end_server
  "${pin[@]}" wineserver -p
  programs=("kelvr.exe=$(winpath "$kelvr_exe")")
  [ -n "${KELVR_BENCH_BASELINE_EXE:-}" ] && programs+=("before=$(winpath "$KELVR_BENCH_BASELINE_EXE")")
  echo "| program      | click ms  | worst     | page ms   | worst     | DPI ms    | worst     | unanswered |"
  echo "|--------------|----------:|----------:|----------:|----------:|----------:|----------:|-----------:|"
  wine_out "$wine_bench/kelvr_ui_bench.exe" "$ui_rounds" "${programs[@]}"
  echo
  echo "Targets: a click and a page at most 16 ms, a change of DPI at most 100 ms."
  echo
fi

# --- The exe --------------------------------------------------------------------------------
echo "### kelvr.exe"
echo
echo "Size: $(stat -c %s "$kelvr_exe") bytes. Imports:" \
  "$(i686-w64-mingw32-objdump -p "$kelvr_exe" | awk '/DLL Name:/ { print $3 }' | paste -sd, - | sed 's/,/, /g')."
echo
echo "(bench.sh ran for $((SECONDS - started)) s.)"
