#!/usr/bin/env bash
# Runs the winmm timing benchmark under Wine, through the recording stand-in for winmm.dll.
# Usage: bench/winmm/run.sh WINDOWS_BUILD_DIR [QUARTERS [PRESSES]]
# Build it first: cmake --build WINDOWS_BUILD_DIR --target tonvex_bench_winmm
# Timing figures mean something only on an idle machine.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:?Windows build directory}" && pwd)
shift
bench="$build/bench/winmm/tonvex_bench_winmm.exe"
[ -f "$bench" ] || { echo "build the target tonvex_bench_winmm first"; exit 2; }
# shellcheck source=tools/wine-env.sh
source "$top/tools/wine-env.sh"
wine_env "$build"
trap wine_end EXIT
wine_keep_alive
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winmm=n,b" wine "$bench" "$@"
