#!/usr/bin/env bash
# The README's main job: plays a short phrase through the plug-in with a
# factory instrument (real piano notes analysed into voices by the library
# build) into demo.wav.
# Usage: scripts/demo.sh BUILD_DIR OUT.wav [INSTRUMENT]
set -euo pipefail
build=$1
out=$2
instrument=${3:-Pianos/Concert Grand}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tessarine="$build/tessarine"
file="$build/TessarineData/Instruments-Factory/$instrument.t9i"
if [[ ! -f "$file" ]]; then
  echo "demo: $file is missing: the build lays out the factory library" >&2
  exit 1
fi

echo "demo: playing a phrase with the factory instrument $instrument into $out"
python3 scripts/make_midi.py phrase "$work/phrase.mid"
"$tessarine" render --instrument "$file" --midi "$work/phrase.mid" --tail 2 -o "$out"
echo "demo: wrote $out"
