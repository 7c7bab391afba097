#!/usr/bin/env bash
# Takes a picture of the real Tonvex window on a private X server, or with --wayland on a
# private headless weston.
#   tools/screenshot.sh [--wayland] [OUTPUT.png] [PROGRAM]
# OUTPUT defaults to tonvex-window.png in the current folder, PROGRAM to build/bin/tonvex.
# The picture is cropped to the window's rounded outline (471 x 319 pixels); on Wayland what
# lies outside the outline is transparent, as the window is there.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
wayland=
if [ "${1:-}" = "--wayland" ]; then wayland=1; shift; fi
out=${1:-tonvex-window.png}
program=${2:-$top/build/bin/tonvex}
[ -x "$program" ] || { echo "no program at $program (build it first)" >&2; exit 1; }

if [ -n "$wayland" ]; then
  for tool in weston weston-screenshooter convert; do
    command -v "$tool" >/dev/null || { echo "$tool is missing (tools/setup.sh installs it)" >&2; exit 1; }
  done
  work=$(mktemp -d)
  chmod 700 "$work"
  weston_pid=
  app_pid=
  cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null && wait "$app_pid" 2>/dev/null || true
    [ -n "$weston_pid" ] && kill "$weston_pid" 2>/dev/null && wait "$weston_pid" 2>/dev/null || true
    rm -rf "$work"
    return 0
  }
  trap cleanup EXIT
  # A magenta desktop marks what the window leaves uncovered.
  printf '[core]\nidle-time=0\nrequire-input=false\n[shell]\nbackground-color=0xffff00ff\npanel-position=none\nlocking=false\nanimation=none\n' >"$work/weston.ini"
  export XDG_RUNTIME_DIR=$work DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent
  env -u DISPLAY weston --backend=headless-backend.so --use-pixman --width=1024 --height=768 \
    --socket=wayland-shot --idle-time=0 --debug --config="$work/weston.ini" >"$work/weston.log" 2>&1 &
  weston_pid=$!
  for _ in $(seq 50); do [ -S "$work/wayland-shot" ] && break; sleep 0.1; done
  export WAYLAND_DISPLAY=wayland-shot QT_QPA_PLATFORM=wayland
  env -u DISPLAY "$program" >"$work/tonvex.log" 2>&1 &
  app_pid=$!
  sleep 2 # weston places the window itself; let it show and paint
  (cd "$work" && weston-screenshooter >/dev/null 2>&1)
  shot=$(ls "$work"/wayland-screenshot-*.png 2>/dev/null | head -n 1)
  [ -n "$shot" ] || { echo "weston-screenshooter gave no picture" >&2; cat "$work/tonvex.log" >&2; exit 1; }
  area=$(convert "$shot" -fill black +opaque '#ff00ff' -negate -trim -format '%wx%h%O' info:)
  convert "$shot" -crop "$area" +repage -transparent '#ff00ff' "$out"
  echo "$out ($area)"
  exit 0
fi
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
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null && wait "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null || true
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
