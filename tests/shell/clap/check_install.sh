#!/bin/sh
# The installed CLAP plug-in works where it lands, with the sound library
# beside it when the build made one.
# Usage: check_install.sh CMAKE BUILD_DIR TESSARINE_TOOL
set -eu
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR="$stage" "$1" --install "$2" > /dev/null
plugin=$(find "$stage" -name Tessarine.clap)
test -n "$plugin"
folder=$(dirname "$plugin")
if [ -d "$2/TessarineData" ]; then
  test -d "$folder/TessarineData"
  test -f "$folder/Reset.t9i"
fi
"$3" validate --level 1 --plugin "$plugin" > /dev/null
echo "clap: ${folder#"$stage"}: $(ls "$folder" | tr '\n' ' ')"
