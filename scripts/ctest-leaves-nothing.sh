#!/usr/bin/env bash
# Runs CTest on BUILD_DIR with TMPDIR pointing at a fresh, empty folder and
# fails when the run leaves anything in it: every test removes what it writes.
# Usage: scripts/ctest-leaves-nothing.sh BUILD_DIR [ctest arguments...]
set -euo pipefail
build_dir=$1
shift
tmp=$(mktemp -d "${TMPDIR:-/tmp}/tessarine-ctest-XXXXXX")
status=0
TMPDIR="$tmp" TEST_TMPDIR="$tmp" ctest --test-dir "$build_dir" "$@" || status=$?
left=$(cd "$tmp" && find . -mindepth 1 -maxdepth 3 | sed 's|^\./||' | sort | head -40)
if [[ -n "$left" ]]; then
  echo "tests: the run left these in its \$TMPDIR ($tmp); a test must remove what it writes:"
  echo "$left"
  status=1
fi
rm -rf "$tmp"
exit "$status"
