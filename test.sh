#!/usr/bin/env bash
# Installs what is missing, builds into build/, then runs the whole test suite
# with a $TMPDIR of its own that it must leave empty.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh build
echo "test: ctest in build/"
scripts/ctest-leaves-nothing.sh build --output-on-failure --parallel "$(nproc)"
