#!/usr/bin/env bash
# Installs what is missing, builds into build/, shows what the built plug-in
# tells a host, then makes demo.wav: a phrase played through the plug-in with a
# factory instrument, made by the build from real instrument notes it recorded
# and analysed.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh build
echo "run: build/tessarine info"
build/tessarine info "$@"
scripts/demo.sh build demo.wav
