#!/usr/bin/env bash
# Fails when the last ctest run in BUILD_DIR skipped any test. A skip means a
# tool the suite needs (Xvfb, a sanitizer-free address space, ...) was missing,
# so on CI it hides a check that never ran: it counts as a failure there.
# Usage: scripts/require-every-test-ran.sh BUILD_DIR
set -euo pipefail
log="${1:?build folder}/Testing/Temporary/LastTest.log"
if [[ ! -s "$log" ]]; then
  echo "ci: no test log in $log: the suite did not run" >&2
  exit 1
fi
# CTest logs each test as "N/M Testing: NAME", its output, then the reason it
# passed: a skip is a pass whose reason is the skip expression.
skipped=$(awk '/^[0-9]+\/[0-9]+ Testing: /{name=$3} /^Skip regular expression found in output/{print "  " name}' "$log")
if [[ -n "$skipped" ]]; then
  echo "ci: these tests were skipped, and CI treats a skip as a failure:" >&2
  echo "$skipped" >&2
  exit 1
fi
echo "ci: every test in $1 ran (no skips)"
