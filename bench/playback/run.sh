#!/usr/bin/env bash
# Runs a playback benchmark against a private PulseAudio server with a null sink.
# Usage: bench/playback/run.sh BUILD_DIR [SONG.mid]   drops, press to sound, CPU, memory, loudness
#        bench/playback/run.sh BUILD_DIR --load        gaps and press to sound on a busy machine
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:?build directory}
shift
bench="$build/bench/playback/tonvex_bench_playback"
if [ "${1:-}" = --load ]; then
  bench="$build/bench/playback/tonvex_bench_playback_load"
  shift
fi
[ -x "$bench" ] || { echo "build the target $(basename "$bench") first"; exit 2; }

# The test command's services: the same null sink (and a display the benchmark ignores).
# shellcheck source=tools/test-services.sh
source "$top/tools/test-services.sh"
trap stop_test_services EXIT
start_test_services
"$bench" "$@"
