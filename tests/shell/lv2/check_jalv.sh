#!/bin/sh
# A real LV2 host, headless: jalv on a JACK server of its own (dummy driver)
# loads a factory preset, plays for a second and lists the controls as the
# preset set them: 150 of them, since the 23 ports no control sets are hidden.
# Usage: check_jalv.sh BUNDLE_PARENT PRESET_TTL PRESET_URI
set -eu
server="tsn-jalv-$$"
python3 "$(dirname "$0")/../../support/private_jackd.py" "$server" 256 >/dev/null 2>&1 &
jack=$!
trap 'kill $jack 2>/dev/null; wait $jack 2>/dev/null || true' EXIT
timeout 20 jack_wait -s "$server" -w >/dev/null
controls=$( (sleep 1; echo presets; echo "preset $3"; sleep 1; echo controls; sleep 1) |
  JACK_DEFAULT_SERVER="$server" LV2_PATH="$1" timeout 30 jalv urn:brightmoor-labs:tessarine 2>&1 |
  sed -n 's/^> //; /^[A-Za-z0-9_]* = /p' | tail -n 150)
# The preset's port values: each lv2:symbol line is followed by its pset:value.
expected=$(sed -n 's/.*lv2:symbol "\([^"]*\)".*/\1/p; s/.*pset:value \([-0-9.e]*\).*/\1/p' "$2" | paste - -)
echo "$controls" | awk -v expected="$expected" '
  BEGIN { n = split(expected, rows, "\n"); for (i = 1; i <= n; ++i) { split(rows[i], f, "\t"); want[f[1]] = f[2] } }
  { got[$1] = $3; ++count }
  END {
    bad = 0
    for (s in got) if ((got[s] - want[s]) > 1e-6 || (want[s] - got[s]) > 1e-6) { print "port " s ": " got[s] ", the preset set " want[s]; bad = 1 }
    if (count != 150) { print "jalv lists " count " controls, not 150"; bad = 1 }
    if (!bad) print "jalv lists 150 controls, each as the preset set it"
    exit bad
  }'
