#!/usr/bin/env bash
# Installs what is missing, builds into build/, then runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh build
echo "test: ctest in build/"
ctest --test-dir build --output-on-failure --parallel "$(nproc)"
