#!/bin/sh
# Only clap_entry may leave the CLAP module; anything else could clash with
# another plug-in or the host in the same process.
set -eu
symbols=$(nm -D --defined-only "$1" | awk '{print $3}' | sort | tr '\n' ' ')
if [ "$symbols" != "clap_entry " ]; then
  echo "unexpected exported symbols: $symbols"
  exit 1
fi
echo "exports: $symbols"
