#!/usr/bin/env bash
# Installs what is missing, builds into build/, then shows what the built plug-in tells a host.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh build
echo "run: build/tessarine info"
build/tessarine info "$@"
