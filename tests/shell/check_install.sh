#!/bin/sh
# The installed bundle works where it lands: the plug-in, the tool beside it
# (which loads the plug-in beside itself), and the library when the build made one.
# Usage: check_install.sh CMAKE BUILD_DIR
set -eu
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR="$stage" "$1" --install "$2" > /dev/null
plugin=$(find "$stage" -name Tessarine.so)
bundle=$(dirname "$plugin")
test -x "$bundle/tessarine"
"$bundle/tessarine" info > /dev/null
if [ -d "$2/TessarineData" ]; then
  test -d "$bundle/TessarineData"
  test -f "$bundle/Reset.t9i"
fi
"$bundle/tessarine" library > /dev/null
echo "bundle: ${bundle#"$stage"}: $(ls "$bundle" | tr '\n' ' ')"
