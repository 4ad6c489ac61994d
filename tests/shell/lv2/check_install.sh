#!/bin/sh
# The installed LV2 bundle is complete where it lands: the module, its
# descriptions, the presets and the library they name (when the build made
# one), and lilv finds the instrument there.
# Usage: check_install.sh CMAKE BUILD_DIR
set -eu
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR="$stage" "$1" --install "$2" > /dev/null
module=$(find "$stage" -name Tessarine_lv2.so)
bundle=$(dirname "$module")
test -f "$bundle/manifest.ttl"
test -f "$bundle/Tessarine.ttl"
if [ -d "$2/TessarineData" ]; then
  test -d "$bundle/TessarineData" && test ! -L "$bundle/TessarineData"
  test -f "$bundle/Reset.t9i"
  test -f "$bundle/presets/Basses_Analog_Bass.ttl"
fi
info=$(LV2_PATH="$(dirname "$bundle"):/usr/lib/lv2" lv2info urn:brightmoor-labs:tessarine 2>/dev/null)
echo "$info" | grep -q "Bundle: *file://$bundle/"
echo "bundle: ${bundle#"$stage"}: $(ls "$bundle" | tr '\n' ' ')"
