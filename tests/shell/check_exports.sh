#!/bin/sh
# Only a module's entry functions may leave it; anything else could clash with
# another plug-in or the host in the same process.
# Usage: check_exports.sh MODULE SYMBOL...   (the symbols in sorted order)
set -eu
module=$1
shift
symbols=$(nm -D --defined-only "$module" | awk '{print $3}' | sort | tr '\n' ' ')
if [ "$symbols" != "$* " ]; then
  echo "unexpected exported symbols of $module: $symbols (expected $*)"
  exit 1
fi
echo "exports: $symbols"
