#!/usr/bin/env bash
# Builds the benchmarks in Release (build-release/) and runs them.
# Usage: scripts/bench.sh [--against REF] [--repetitions N] [FILTER]
#   FILTER      a Google Benchmark regular expression (default: every benchmark)
#   --against   also builds commit REF (in a cache outside the checkout, kept
#               per commit) and runs the same benchmarks in the same run, then
#               prints each figure of this tree as a ratio to REF's. REF's code
#               is measured by this tree's benchmark sources, so both sides
#               run the same cases.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
against=""
repetitions=3
filter="."
while (($#)); do
  case "$1" in
    --against) against=$2; shift 2 ;;
    --repetitions) repetitions=$2; shift 2 ;;
    *) filter=$1; shift ;;
  esac
done

# Only the benchmark program and the plug-in it opens; the packages are the
# ones ./run.sh installs.
build_release() { # SOURCE BUILD_DIR
  export CCACHE_BASEDIR="$1" CCACHE_NOHASHDIR=1
  if [[ ! -f "$2/build.ninja" ]]; then
    cmake -S "$1" -B "$2" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
  fi
  # With the factory library beside the plug-in: a new instance loads its
  # start instrument from it, as a user's does, and that load is part of what
  # creating an instance costs and of what a played instance holds.
  cmake --build "$2" --target tessarine_bench factory_library >/dev/null
}

run_bench() { # BUILD_DIR OUT.json
  "$1/tessarine_bench" --benchmark_filter="$filter" --benchmark_repetitions="$repetitions" \
    --benchmark_report_aggregates_only=true --benchmark_out="$2" --benchmark_out_format=json
}

cd "$here"
build_release "$here" "$here/build-release"
results=$(mktemp -d)
trap 'rm -rf "$results"' EXIT
if [[ -n "$against" ]]; then
  sha=$(git rev-parse --verify "$against^{commit}")
  cache=${XDG_CACHE_HOME:-$HOME/.cache}/tessarine/bench-$sha
  if [[ ! -d "$cache/src" ]]; then
    mkdir -p "$cache"
    git -C "$here" archive --prefix=src/ "$sha" | tar -x -C "$cache"
  fi
  rm -rf "$cache/src/bench"
  cp -r "$here/bench" "$cache/src/bench"
  build_release "$cache/src" "$cache/build"
  echo "== $against ($sha)"
  run_bench "$cache/build" "$results/base.json"
fi
echo "== this tree"
run_bench "$here/build-release" "$results/new.json"
grep -m1 "model name" /proc/cpuinfo || true
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
if [[ -n "$against" ]]; then
  python3 "$here/scripts/bench_ratio.py" "$results/base.json" "$results/new.json"
fi
