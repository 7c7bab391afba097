#!/usr/bin/env bash
# Takes a picture of the real Tonvex window on a private X server.
#   tools/screenshot.sh [OUTPUT.png] [PROGRAM]
# OUTPUT defaults to tonvex-window.png in the current folder, PROGRAM to build/bin/tonvex.
# The picture is cropped to the window's rounded outline (471 x 319 pixels).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-tonvex-window.png}
program=${2:-$top/build/bin/tonvex}
[ -x "$program" ] || { echo "no program at $program (build it first)" >&2; exit 1; }
for tool in Xvfb xwininfo import; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (tools/setup.sh installs it)" >&2; exit 1; }
done

display=
for n in $(seq 150 250); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=:$n; break; fi
done
[ -n "$display" ] || { echo "no free X display number" >&2; exit 1; }

work=$(mktemp -d)
chmod 700 "$work"
xvfb_pid=
app_pid=
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null && wait "$app_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
  return 0
}
trap cleanup EXIT

Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=$display XDG_RUNTIME_DIR=$work
for _ in $(seq 50); do xwininfo -root >/dev/null 2>&1 && break; sleep 0.1; done

"$program" >"$work/tonvex.log" 2>&1 &
app_pid=$!
geometry=
for _ in $(seq 100); do
  geometry=$(xwininfo -root -tree 2>/dev/null | awk '/"Tonvex": \("tonvex"/ { print $(NF-1); exit }')
  [ -n "$geometry" ] && break
  sleep 0.1
done
[ -n "$geometry" ] || { echo "the window did not appear" >&2; cat "$work/tonvex.log" >&2; exit 1; }
sleep 0.5 # let the first paint reach the screen

# geometry is WxH+X+Y; the visible outline starts 5 pixels right and 1 below the window.
x=$(echo "$geometry" | cut -d+ -f2)
y=$(echo "$geometry" | cut -d+ -f3)
import -window root -crop "471x319+$((x + 5))+$((y + 1))" +repage "$out"
echo "$out"
