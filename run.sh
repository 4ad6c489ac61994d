#!/usr/bin/env bash
# Installs what is missing, builds into build/, shows what the built plug-in
# tells a host, then makes demo.wav: real instrument notes recorded, analysed
# into voices, built into an instrument and played through the plug-in.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh build
echo "run: build/tessarine info"
build/tessarine info "$@"
scripts/demo.sh build demo.wav
