#!/usr/bin/env bash
# Runs the playback benchmark against a private PulseAudio server with a null sink.
# Usage: bench/playback/run.sh BUILD_DIR [SONG.mid]
set -euo pipefail
build=${1:?build directory}
shift
bench="$build/bench/playback/tonvex_bench_playback"
[ -x "$bench" ] || { echo "build the target tonvex_bench_playback first"; exit 2; }

dir=$(mktemp -d)
chmod 700 "$dir"
export XDG_RUNTIME_DIR=$dir
export TONVEX_TEST_SINK=tonvex_bench
pulseaudio --daemonize=no -n --exit-idle-time=-1 \
  -L module-native-protocol-unix -L "module-null-sink sink_name=$TONVEX_TEST_SINK" \
  >"$dir/pulse.log" 2>&1 &
pulse=$!
cleanup() { kill "$pulse" 2>/dev/null; wait "$pulse" 2>/dev/null; rm -rf "$dir"; }
trap cleanup EXIT
for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl info >/dev/null 2>&1 || { echo "PulseAudio did not start"; cat "$dir/pulse.log"; exit 1; }
pactl set-default-sink "$TONVEX_TEST_SINK"
"$bench" "$@"
