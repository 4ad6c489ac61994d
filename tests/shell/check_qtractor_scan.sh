#!/bin/sh
# Qtractor's own plug-in scanner lists each of our modules as an instrument
# with no audio inputs, two outputs, a MIDI input, every parameter and an editor.
# Usage: check_qtractor_scan.sh SCANNER TYPE:MODULE...   (TYPE is VST or CLAP)
set -eu
scanner=$1
shift
status=0
for request in "$@"; do
  type=${request%%:*}
  answer=$(echo "$request" | timeout 60 "$scanner" 2>/dev/null | grep "^$type|" || true)
  case "$answer" in
    "$type|Tessarine|0:2|1:0|173:0|GUI"*) echo "listed: $answer" ;;
    *) echo "not listed as expected for $request: '$answer'"; status=1 ;;
  esac
done
exit $status
