#!/usr/bin/env bash
# Shared set-up of run.sh and test.sh: install what is missing, configure once, build.
# Usage: scripts/setup.sh BUILD_DIR [extra cmake arguments...]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:-build}
shift || true

missing=()
while read -r pkg; do
  [[ -z "$pkg" || "$pkg" == \#* ]] && continue
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
done < "$here/scripts/packages.txt"

if ((${#missing[@]})); then
  echo "setup: installing Debian packages: ${missing[*]}"
  sudo_cmd=()
  [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
  echo "setup: all Debian packages present"
fi

cd "$here"
# CI builds each run in a fresh clone somewhere else: compile results are
# shared across clone folders by hashing paths relative to the checkout.
export CCACHE_BASEDIR="$here" CCACHE_NOHASHDIR=1
if [[ ! -f "$build_dir/build.ninja" ]]; then
  echo "setup: configuring $build_dir"
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSARINE_WERROR=ON "$@"
fi
echo "setup: building $build_dir"
cmake --build "$build_dir" --parallel "$(nproc)"
