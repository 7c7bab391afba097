#!/usr/bin/env bash
# Resident memory of the real program under Xvfb: idle after start-up, with a song dropped, and
# playing it (the play-input button pressed with xdotool); the sink is recorded meanwhile, so
# that a silent "playing" figure is caught.
# Usage: bench/playback/memory.sh BUILD_DIR [SONG.mid]
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:?build directory}
song=${2:-$top/../shared/testdata/midi/Tonejs_Midi/examples/bach_846.mid}
program="$build/bin/tonvex"
[ -x "$program" ] || { echo "build the target tonvex first"; exit 2; }
[ -f "$song" ] || { echo "no song at $song"; exit 2; }
command -v xdotool >/dev/null || { echo "xdotool is needed (Debian package xdotool)"; exit 2; }

# shellcheck source=tools/test-services.sh
source "$top/tools/test-services.sh"
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
  stop_test_services
  rm -rf "$work"
}
trap cleanup EXIT
start_test_services
export XDG_CACHE_HOME=$work/cache
# The null sink keeps time only while a low-latency stream records it.
parec --device="$TONVEX_TEST_SINK.monitor" --latency-msec=10 --format=s16le --rate=44100 \
  --channels=2 --raw >"$work/rec.raw" &
pids+=($!)
sleep 1

kb() { awk -v key="$2:" '$1 == key { print $2 }' "/proc/$1/status"; }
settle=3 # start-up and the presets' loading are done well within this

"$program" >/dev/null 2>&1 &
pid=$!
pids+=("$pid")
sleep "$settle"
idle=$(kb "$pid" VmRSS)
kill "$pid"; wait "$pid" 2>/dev/null || true

"$program" "$song" >/dev/null 2>&1 &
pid=$!
pids+=("$pid")
sleep "$settle"
dropped=$(kb "$pid" VmRSS)
before=$(stat -c %s "$work/rec.raw")
window=$(xdotool search --onlyvisible --name '^Tonvex$' | head -1)
xdotool mousemove --window "$window" 48 129 click 1 # the play-input button
sleep 6
playing=$(kb "$pid" VmRSS)
peak=$(kb "$pid" VmHWM)
kill "$pid"; wait "$pid" 2>/dev/null || true
heard=$(tail -c +"$((before + 1))" "$work/rec.raw" | od -An -td2 -v -w2 | awk '{ v = $1 < 0 ? -$1 : $1; if (v > m) m = v } END { print m + 0 }')

echo "song: $song"
echo "idle after start-up: $((idle / 1024)) MB (target <= 48 MB; was 185 MB)"
echo "song dropped, not playing: $((dropped / 1024)) MB"
echo "playing: $((playing / 1024)) MB, peak $((peak / 1024)) MB (target for a piano piece <= 64 MB; was 196 MB playing the Bach piece)"
if [ "$heard" -le 32 ]; then echo "NOTHING WAS HEARD: the press did not play"; exit 1; fi
echo "loudest sample heard while playing: $heard of 32767"
