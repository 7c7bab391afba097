#!/usr/bin/env bash
# Measures tonvex.exe under Wine on an X server: launch to window shown, memory once shown and
# after transforming a large file, and the sizes of the programs and packages.
#   bench/windows/window_measure.sh [BUILD_DIR] [RUNS]     (default: build-windows, 5)
# Needs DISPLAY (for example inside tools/test-services.sh's Xvfb) and a built BUILD_DIR.
set -euo pipefail
dir=$(realpath "${1:-build-windows}") runs=${2:-5}
exe=$dir/bin/tonvex.exe
[ -n "${DISPLAY:-}" ] || { echo "needs DISPLAY"; exit 2; }
export WINEPREFIX=${WINEPREFIX:-$dir/wine-prefix} WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
work=$(mktemp -d)
keeper=
program=
trap 'kill $program $keeper 2>/dev/null || true; rm -rf "$work"' EXIT
wine cmd /c exit >/dev/null 2>&1 || true
wine ping -n 1000000 127.0.0.1 >/dev/null 2>&1 &
keeper=$!

shown() { # the first shown 480x320 window titled Tonvex, as WxH+X+Y
  xwininfo -root -tree | awk '/ "Tonvex": \(/ && $(NF-1) ~ /^480x320\+/ {print $1, $(NF-1)}' |
    while read -r id geometry; do
      [[ "$(xwininfo -id "$id" 2>/dev/null)" == *IsViewable* ]] && { echo "$geometry"; break; }
    done
}
rss() { awk '/VmRSS/ {print $2 " kB"}' "/proc/$program/status"; }

# A song of 200 000 notes, 1.6 MB.
python3 - "$work/big.mid" <<'PY'
import struct, sys
events = b"".join(b"\x00\x90\x3c\x40\x10\x80\x3c\x40" for _ in range(200000)) + b"\x00\xff\x2f\x00"
open(sys.argv[1], "wb").write(b"MThd" + struct.pack(">IHHH", 6, 0, 1, 96) + b"MTrk" + struct.pack(">I", len(events)) + events)
PY

for ((run = 1; run <= runs; run++)); do
  started=$(date +%s%N)
  wine "$exe" &
  program=$!
  until geometry=$(shown) && [ -n "$geometry" ]; do sleep 0.01; done
  echo "run $run: launch to window shown $((($(date +%s%N) - started) / 1000000)) ms, memory $(rss)"
  if [ "$run" = "$runs" ]; then
    wine "$exe" "$work/big.mid"
    IFS='x+' read -r _ _ x y <<<"$geometry"
    sleep 1
    xdotool mousemove $((x + 55)) $((y + 260)) mousedown 1 && sleep 0.1 && xdotool mouseup 1
    until [ -f "$work/big_Mirror.mid" ] && ! ls "$work"/.big* >/dev/null 2>&1; do sleep 0.1; done
    sleep 1
    echo "after Mirror of a $(stat -c %s "$work/big.mid")-byte file: memory $(rss)"
  fi
  kill "$program"
  wait "$program" 2>/dev/null || true
  program=
done
for file in "$exe" "$dir/bin/tonvex-transform.exe" "$dir/packaging/windows/Tonvex/tonvex.exe" \
  "$dir"/tonvex-*-windows-x64.zip "$dir"/tonvex-*-setup.exe; do
  [ -f "$file" ] && echo "$(stat -c %s "$file") bytes  ${file#"$dir"/}"
done
