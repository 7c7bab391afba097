#!/usr/bin/env bash
# Runs the playback benchmark against a private PulseAudio server with a null sink.
# Usage: bench/playback/run.sh BUILD_DIR [SONG.mid]
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:?build directory}
shift
bench="$build/bench/playback/tonvex_bench_playback"
[ -x "$bench" ] || { echo "build the target tonvex_bench_playback first"; exit 2; }

# The test command's services: the same null sink (and a display the benchmark ignores).
# shellcheck source=tools/test-services.sh
source "$top/tools/test-services.sh"
trap stop_test_services EXIT
start_test_services
"$bench" "$@"
