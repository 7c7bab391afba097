#!/usr/bin/env bash
# Runs the Windows build's transform benchmarks under Wine, with the same arguments as on
# Linux (--benchmark_filter=REGEX):
#   tools/bench-windows.sh [BUILD_DIR] [--benchmark_filter=REGEX]
# Build first with tools/build-windows.sh. Compare with build/bench/transform/tonvex_bench_transform.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=build-windows
if [ $# -gt 0 ] && [ "${1#--}" = "$1" ]; then dir=$1; shift; fi
# shellcheck source=tools/wine-env.sh
source "$top/tools/wine-env.sh"
wine_env "$dir"
trap wine_end EXIT
wine_keep_alive
cd "$dir/bench/transform"
wine ./tonvex_bench_transform.exe "$@"
