#!/usr/bin/env bash
# The README's main job: records a few notes of two General MIDI instruments
# with fluidsynth, analyses them into voices, builds an instrument from them,
# and plays a short phrase through the plug-in into demo.wav.
# Usage: scripts/demo.sh BUILD_DIR OUT.wav
set -euo pipefail
build=$1
out=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
soundfont=/usr/share/sounds/sf2/TimGM6mb.sf2
tessarine="$build/tessarine"

echo "demo: recording example notes with fluidsynth ($soundfont)"
# Cello (General MIDI program 42) and flute (73), each at two pitches.
for note in "cello 42 48" "cello 42 60" "flute 73 67" "flute 73 79"; do
  read -r name program key <<<"$note"
  python3 scripts/make_midi.py note "$work/$name-$key.mid" "$key" "$program"
  fluidsynth -ni -q -g 0.8 -r 44100 -F "$work/$name-$key.wav" "$soundfont" "$work/$name-$key.mid" >/dev/null 2>&1
done

echo "demo: analysing them into two voices"
"$tessarine" analyse "$work/cello-48.wav" "$work/cello-60.wav" -o "$work/cello.t9v"
"$tessarine" analyse "$work/flute-67.wav" "$work/flute-79.wav" -o "$work/flute.t9v"

echo "demo: building an instrument from the voices"
python3 scripts/make_midi.py phrase "$work/phrase.mid"
"$tessarine" render --voice "A=$work/cello.t9v" --voice "B=$work/flute.t9v" \
  --set MorphHarmX=0.35 --set MorphNoiseX=0.35 --set MorphAmpX=0.35 --set Stretch=0.5 \
  --set LoopSync1=1 --set LoopSync2=1 --set Release=0.3 --set ReverbOn=1 --set ReverbMix=0.4 \
  --save-instrument "$work/demo.t9i" --note 60 --length 0.1 --tail 0 -o "$work/scratch.wav"

echo "demo: playing a phrase with the instrument into $out"
"$tessarine" render --instrument "$work/demo.t9i" --midi "$work/phrase.mid" --tail 2 -o "$out"
echo "demo: wrote $out"
