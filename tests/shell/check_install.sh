#!/bin/sh
# `cmake --install` into a staging folder lays out every format where its hosts
# look, each working as it lies with the sound library where it finds it (when
# the build made one): the VST 2 bundle with the command-line host beside the
# plug-in, the LV2 bundle (found by lilv), the CLAP plug-in (validated by the
# installed host), and the application with its library under share/.
# Usage: check_install.sh CMAKE BUILD_DIR
set -eu
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR="$stage" "$1" --install "$2" > /dev/null
with_library=false
[ -d "$2/TessarineData" ] && with_library=true

# The folder that holds NAME, which must end in one of the two places given.
folder_of() {
  found=$(find "$stage" -name "$1" | head -n 1)
  test -n "$found" || { echo "not installed: $1"; exit 1; }
  folder=$(dirname "$found")
  case "$folder" in
    *"$2"|*"$3") ;;
    *) echo "$1 installed in ${folder#"$stage"}, not in $2 or $3"; exit 1 ;;
  esac
}
has_library() {
  if $with_library; then
    test -d "$1/TessarineData" && test ! -L "$1/TessarineData" || { echo "no library in $1"; exit 1; }
    test -f "$1/Reset.t9i"
  fi
}

folder_of Tessarine.so /.vst/Tessarine /lib/vst/Tessarine
vst=$folder
has_library "$vst"
test -x "$vst/tessarine"
"$vst/tessarine" info > /dev/null
"$vst/tessarine" library > /dev/null

folder_of Tessarine_lv2.so /.lv2/Tessarine.lv2 /lib/lv2/Tessarine.lv2
lv2=$folder
has_library "$lv2"
test -f "$lv2/manifest.ttl" && test -f "$lv2/Tessarine.ttl"
$with_library && test -f "$lv2/presets/Basses_Analog_Bass.ttl"
LV2_PATH="$(dirname "$lv2"):/usr/lib/lv2" lv2info urn:brightmoor-labs:tessarine 2>/dev/null \
  | grep -q "Bundle: *file://$lv2/"

folder_of Tessarine.clap /.clap/Tessarine /lib/clap/Tessarine
clap=$folder
has_library "$clap"
"$vst/tessarine" validate --level 1 --plugin "$clap/Tessarine.clap" > /dev/null

folder_of tessarine-app /bin /bin
app=$folder
has_library "$app/../share/tessarine"
"$app/tessarine-app" --help > /dev/null

for f in "$vst" "$lv2" "$clap" "$app"; do
  echo "installed: ${f#"$stage"}: $(ls "$f" | tr '\n' ' ')"
done
