#!/usr/bin/env bash
# The analysis fidelity benchmark: builds the material once, builds the tool in
# Release (build-release/, as scripts/bench.sh does) and prints what
# `tessarine fidelity` measures on every note.
# Usage: scripts/fidelity.sh [--before REF] [--keep DIR] [-- extra fidelity arguments]
#   --before  also builds commit REF (in a cache outside the checkout, kept per
#             commit) and prints its medians beside this tree's. REF is
#             measured by this tree's command-line host (cli/ laid over REF's
#             sources), so both sides are judged by the same figures.
#   --keep    writes the tables and JSON reports into DIR instead of a
#             temporary folder that goes at the end.
# The material lives in ${XDG_CACHE_HOME:-~/.cache}/tessarine/fidelity-material-KEY,
# KEY a hash of its generator and of the sound font and fluidsynth it plays.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
before=""
keep=""
extra=()
while (($#)); do
  case "$1" in
    --before) before=$2; shift 2 ;;
    --keep) keep=$2; shift 2 ;;
    --) shift; extra=("$@"); break ;;
    *) echo "usage: scripts/fidelity.sh [--before REF] [--keep DIR] [-- fidelity arguments]" >&2; exit 2 ;;
  esac
done
cache_root=${XDG_CACHE_HOME:-$HOME/.cache}/tessarine

material_key() {
  {
    cat "$here/scripts/fidelity_material.py" "$here/scripts/make_midi.py"
    stat -L -c '%n %s %Y' /usr/share/sounds/sf3/MuseScore_General_Lite.sf3
    dpkg-query -W -f='${Package}=${Version}\n' fluidsynth musescore-general-soundfont-small 2>/dev/null || true
  } | sha256sum | cut -c1-16
}

material=$cache_root/fidelity-material-$(material_key)
if [[ ! -d "$material" ]]; then
  mkdir -p "$cache_root"
  fresh=$(mktemp -d "$cache_root/fidelity-material.XXXXXX")
  python3 "$here/scripts/fidelity_material.py" "$fresh"
  mv "$fresh" "$material" 2>/dev/null || rm -rf "$fresh" # another run got there first
fi

# The tool and the plug-in it opens; the packages are the ones ./run.sh installs.
build_release() { # SOURCE BUILD_DIR
  export CCACHE_BASEDIR="$1" CCACHE_NOHASHDIR=1
  if [[ ! -f "$2/build.ninja" ]]; then
    cmake -S "$1" -B "$2" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
  fi
  cmake --build "$2" --target tessarine >/dev/null
}

if [[ -n "$keep" ]]; then
  mkdir -p "$keep"
  results=$(cd "$keep" && pwd)
else
  results=$(mktemp -d)
  trap 'rm -rf "$results"' EXIT
fi
notes=("$material"/*.wav)

if [[ -n "$before" ]]; then
  sha=$(git -C "$here" rev-parse --verify "$before^{commit}")
  cache=$cache_root/fidelity-$sha
  if [[ ! -d "$cache/src" ]]; then
    mkdir -p "$cache"
    git -C "$here" archive --prefix=src/ "$sha" | tar -x -C "$cache"
  fi
  rm -rf "$cache/src/cli"
  cp -r "$here/cli" "$cache/src/cli"
  build_release "$cache/src" "$cache/build"
  "$cache/build/tessarine" fidelity "${notes[@]}" --json "$results/before.json" "${extra[@]}" > "$results/before.txt"
fi

cd "$here"
build_release "$here" "$here/build-release"
echo "== this tree ($(git rev-parse --short HEAD)), ${#notes[@]} notes from $material"
build-release/tessarine fidelity "${notes[@]}" --json "$results/after.json" "${extra[@]}" | tee "$results/after.txt"

if [[ -n "$before" ]]; then
  echo
  echo "== medians: $before ($sha) against this tree"
  python3 - "$results/before.json" "$results/after.json" <<'EOF'
import json
import sys

before, after = (json.load(open(p)) for p in sys.argv[1:3])
rows = [
    ("strict h1-10 within 1 dB (%)", "summary", "strict_within_1db_percent"),
    ("strict median worst h1-10 (dB)", "medians", "strict_worst_db"),
    ("strict 10-70 % within 1 dB (%)", "summary", "strict_10_70_within_1db_percent"),
    ("strict 10-70 % median worst (dB)", "medians", "strict_10_70_worst_db"),
    ("h1-10 within 1 dB (%)", "summary", "harmonics_within_1db_percent"),
    ("median max |h1-10 diff| (dB)", "medians", "max_harmonic_diff_db"),
    ("median LSD (dB)", "medians", "lsd_db"),
    ("median LSD below 5.5 kHz (dB)", "medians", "lsd_below_5k5_db"),
    ("median |pitch| (cents)", "medians", "abs_pitch_cents"),
    ("pitched within 5 cents (%)", "summary", "pitched_within_5_cents_percent"),
    ("holes", "summary", "holes"),
    ("median recording length (s)", "medians", "recording_seconds"),
    ("median render length (s)", "medians", "render_seconds"),
]


def shown(value):
    return "-" if value is None else f"{value:.2f}" if isinstance(value, float) else str(value)


print(f"{'':32} {'before':>10} {'after':>10}")
for label, group, key in rows:
    print(f"{label:32} {shown(before[group][key]):>10} {shown(after[group][key]):>10}")
EOF
fi
