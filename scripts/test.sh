#!/usr/bin/env bash
# Installs what is missing, builds Kelvr five ways and runs every test:
#   native:  the portable code and its GoogleTest unit tests, built with g++;
#   asan:    the same unit tests under AddressSanitizer and UndefinedBehaviorSanitizer;
#   mingw:   kelvr.exe and the Windows tests, cross-built for 32-bit Windows and run under Wine
#            (through scripts/wine-run.sh, one test at a time);
#   clang:   the same, built with clang and lld, and run under Wine;
#   mingw64: the same for 64-bit Windows, run under 64-bit Wine;
# and checks kelvr.exe's hardening flags, that the 32-bit exes load on Windows XP SP3, and that
# it builds byte for byte the same elsewhere.
# Stops at the first failure. Configure and build output goes to build/logs/ and is shown only
# when a step fails; the last lines printed are ctest's summaries.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash scripts/deps.sh

# Formatting first: it takes seconds and says at once what a reformat would change.
bash scripts/format-check.sh

mkdir -p build/logs

# step NAME COMMAND...: runs a configure or build step quietly; on failure shows its log.
step() {
  local name=$1 log=build/logs/$1.log
  shift
  if ! "$@" >"$log" 2>&1; then
    tail -n 60 "$log" >&2
    echo "test.sh: $name failed: $* (full log: $log)" >&2
    exit 1
  fi
}

# Templates and throwaway prefixes live under build/; make the template now, so that the
# first Windows test does not spend its time on it.
# (In a subshell: wine-env.sh sets the Italian locale, which the native tests must not inherit.)
(source scripts/wine-env.sh && kelvr_ensure_prefix "$KELVR_WINE_TEMPLATE")
(export KELVR_WINE_ARCH=win64 && source scripts/wine-env.sh &&
  kelvr_ensure_prefix "$KELVR_WINE_TEMPLATE")

for preset in native asan mingw clang mingw64; do
  step "configure-$preset" cmake --preset "$preset"
  step "build-$preset" cmake --build --preset "$preset"
done
# The benchmarks are built too, so that they never fall behind the code they measure.
step build-bench-native cmake --build --preset native --target kelvr_search_bench \
  kelvr_search_bench_debug
for preset in mingw clang mingw64; do
  step "build-bench-$preset" cmake --build --preset "$preset" --target kelvr_search_bench \
    kelvr_minimal kelvr_minimal_manifest kelvr_minimal_comctl kelvr_minimal_children \
    kelvr_start_steps kelvr_start_bench
done

# kelvr.exe as it ships: its PE header flags, and for the 32-bit exes that Windows XP SP3 can
# load them (subsystem version, imports; tools/xp-exports); the checker on made-up images; and
# the same exe from a build in two other folders.
echo "== kelvr.exe"
bash scripts/check-exe.sh --self-test
bash scripts/check-exe.sh build/mingw/kelvr.exe build/mingw64/kelvr.exe build/clang/kelvr.exe
# The shipped exe stays small: what it links is chosen with its size in mind (README, The exe).
size=$(stat -c %s build/mingw/kelvr.exe)
if [ "$size" -gt 400000 ]; then
  echo "test.sh: build/mingw/kelvr.exe is $size bytes, over the 400,000 it must stay under" >&2
  exit 1
fi
bash scripts/check-reproducible.sh

# A test that hangs (a window nobody closes) fails after 5 minutes instead of holding CI.
# A preset that registers no test fails too: a run that tests nothing is no pass.
for preset in native asan mingw clang mingw64; do
  echo "== $preset tests"
  ctest --preset "$preset" --no-tests=error --timeout 300
done
