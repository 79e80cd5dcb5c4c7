# shellcheck shell=bash
# Sourced by the Windows tests that drive kelvr.exe as a user does (bash only): checks counted
# as they pass or fail, and retries while windows take a moment.

passed=0
failed=0

# check DESCRIPTION COMMAND...: runs the command and counts it passed or failed.
check() {
  local what=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $what" >&2
  fi
}

# until_ SECONDS COMMAND...: retries the command every tenth of a second for a while.
until_() {
  local seconds=$1 i
  shift
  for ((i = 0; i < seconds * 10; i++)); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

# checks_summary NAME: prints the counts; succeeds when nothing failed.
checks_summary() {
  echo "$1: $passed passed, $failed failed"
  [ "$failed" = 0 ]
}
