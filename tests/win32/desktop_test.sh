#!/usr/bin/env bash
# tonvex.exe under Wine on the test command's X server, as a user meets it: the outline on
# screen, a file manager's drop, the message box, one window per session, and the installer.
#   desktop_test.sh TONVEX_EXE TRANSFORM_EXE SETUP_EXE
set -euo pipefail
exe=$(realpath "$1") transform=$(realpath "$2") setup=$(realpath -m "$3")
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  echo "SKIP: needs an X server (the test command runs this inside Xvfb)"
  exit 77
fi
export WINEPREFIX=${WINEPREFIX:-$(cd "$(dirname "$exe")/.." && pwd)/wine-prefix}
export WINEARCH=win64 WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
work=$(mktemp -d)
helpers=()
program=
cleanup() {
  for pid in $program "${helpers[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
step() { echo "-- $*"; }

cc -O1 -o "$work/xdnd-drop" "$here/xdnd_drop.c" -lX11 || fail "cannot build the drag helper"
wine cmd /c exit >/dev/null 2>&1 || true
# One Wine process for the whole run, so that each start is quick.
wine ping -n 1000000 127.0.0.1 >/dev/null 2>&1 &
helpers+=($!)

wait_for() { # SECONDS COMMAND...
  local i
  for ((i = 0; i < $1 * 10; i++)); do "${@:2}" && return 0; sleep 0.1; done
  return 1
}
# "ID WxH+X+Y" of each shown top-level window titled Tonvex.
tonvex_windows() {
  xwininfo -root -tree | awk '/ "Tonvex": \(/ {print $1, $(NF-1)}' | while read -r id geometry; do
    [[ "$(xwininfo -id "$id" 2>/dev/null)" == *IsViewable* ]] && echo "$id $geometry"
  done
}
# The pixels of a part of the window, to see when it changes.
look() { import -window root -crop "$3x$4+$((wx + $1))+$((wy + $2))" -depth 8 rgb:- | md5sum; }
# Drops files on the input box and waits until it shows the new path: Wine answers the drop
# before the window has taken it.
drop_input() {
  local before
  before=$(look 125 115 318 33)
  "$work/xdnd-drop" $((wx + 200)) $((wy + 130)) "$@" || return 1
  wait_for 10 input_changed "$before" || fail "the input box did not change"
}
input_changed() { [ "$(look 125 115 318 33)" != "$1" ]; }
# Under Wine without a window manager a modal box shows, and its loop ends, only at some next
# input event: the mouse is nudged while waiting for either.
nudged() { xdotool mousemove_relative -- $((RANDOM % 2 * 2 - 1)) 0; "$@"; }
main_shown() { [[ "$(tonvex_windows)" == *' 480x320+'* ]]; }
box_shown() { tonvex_windows | awk '$2 !~ /^480x320\+/ {box = 1} END {exit !box}'; }
box_gone() { ! box_shown; }
# Press and release, then a nudge: a modal loop under Wine without a window manager returns
# only at the next input event.
click() { # X Y, relative to the window
  xdotool mousemove $((wx + $1)) $((wy + $2)) mousedown 1
  sleep 0.1
  xdotool mouseup 1
  sleep 0.1
  xdotool mousemove_relative 3 3
}

folder="$work/Musik é"
mkdir -p "$folder" "$work/ref"
song='MThd\0\0\0\6\0\0\0\1\0\140MTrk\0\0\0\14\0\220\74\100\140\200\74\100\0\377\57\0'
printf "$song" >"$folder/Sóng one.mid"
printf "$song" >"$folder/other.mid"
printf "$song" >"$work/ref/ref.mid"
echo "no MIDI here" >"$folder/broken.mid"

step "the window shows with its outline"
main_shown && fail "a Tonvex window is open already"
started=$(date +%s%N)
(cd "$folder" && exec wine "$exe") &
program=$!
wait_for 60 main_shown || fail "no window"
echo "launch to window shown: $((($(date +%s%N) - started) / 1000000)) ms"
IFS='x+' read -r _ _ wx wy < <(tonvex_windows | awk '$2 ~ /^480x320\+/ {print $2}')
sleep 0.5
# First and last shown column of the rows at the corners: row 0 is cut away, rows 1 and 319
# lose one more pixel at each end.
import -window root -crop "480x320+$wx+$wy" -depth 8 txt:- | awk -F'[,: ]+' '
  NR > 1 && $0 !~ /#000000 / { if (!($2 in first)) first[$2] = $1; last[$2] = $1 }
  END { n = split("0 1 2 160 317 318 319", rows, " "); for (i = 1; i <= n; i++) print rows[i], first[rows[i]] "-" last[rows[i]] }' >"$work/rows"
printf '%s\n' "0 -" "1 6-474" "2 5-475" "160 5-475" "317 5-475" "318 5-475" "319 6-474" |
  diff - "$work/rows" || fail "the outline on screen is not the rounded rectangle"

step "a file manager's drop is a copy, on the input box only; Mirror writes the output"
accepted=$(drop_input move "$folder/Sóng one.mid") || fail "drop refused"
[ "$accepted" = copy ] || fail "a drop offered as a move was taken as $accepted"
refused=$("$work/xdnd-drop" $((wx + 200)) $((wy + 195)) copy "$folder/other.mid") && fail "the output box took a drop"
[ "$refused" = none ] || fail "the output box answered $refused"
click 55 260
wait_for 10 test -f "$folder/Sóng one_Mirror.mid" || fail "Mirror wrote nothing"
(cd "$work/ref" && wine "$transform" Mirror ref.mid >/dev/null) || fail "tonvex-transform failed"
cmp "$folder/Sóng one_Mirror.mid" "$work/ref/ref_Mirror.mid" || fail "the window's output differs from tonvex-transform's"

step "an unreadable file shows the message box, and the window goes on"
drop_input copy "$folder/broken.mid" >/dev/null || fail "drop refused"
click 125 260
wait_for 10 nudged box_shown || fail "no message box"
IFS='x+' read -r bw bh bx by < <(tonvex_windows | awk '$2 !~ /^480x320\+/ {print $2; exit}')
wx=$bx wy=$by click $((bw / 2)) $((bh - 22))
wait_for 10 nudged box_gone || fail "the message box does not close"
main_shown || fail "the window went with the message box"
for _ in 1 2 3; do nudged true; sleep 0.1; done

step "a second start hands its file to the window and ends"
started=$(date +%s%N)
status=0
(cd "$folder" && wine "$exe" other.mid) || status=$?
elapsed=$((($(date +%s%N) - started) / 1000000))
echo "second start ended after $elapsed ms"
[ "$status" = 0 ] || fail "the second start ended with status $status"
[ "$elapsed" -lt 2000 ] || fail "the second start took $elapsed ms"
[ "$(tonvex_windows | awk '$2 ~ /^480x320\+/' | wc -l)" = 1 ] || fail "more than one window"
click 338 260
wait_for 10 test -f "$folder/other_Penta.mid" || fail "the handed file did not become the input"

step "X closes the program"
click 458 18
wait_for 10 bash -c "! kill -0 $program 2>/dev/null" || fail "still running after X"
wait "$program" || fail "ended with status $?"

step "the installer installs, associates and uninstalls silently"
[ -f "$setup" ] || fail "no installer at $setup: build it with tools/build-windows.sh"
local_app_data=$(winepath -u "$(wine cmd /c 'echo %LOCALAPPDATA%' | tr -d '\r')")
installed="$local_app_data/Programs/Tonvex"
wine "$setup" /S || fail "the installer ended with status $?"
for file in tonvex.exe tonvex-transform.exe README.txt uninstall.exe; do
  [ -f "$installed/$file" ] || fail "$file not installed"
done
query() { wine reg query "$@" 2>/dev/null | tr -d '\r'; }
for type in .mid .midi .kar .rmi; do
  [[ "$(query "HKCU\\Software\\Classes\\$type\\OpenWithProgids")" == *Tonvex.MidiFile* ]] || fail "not offered for $type"
  [[ "$(query "HKCU\\Software\\Classes\\$type" /ve || true)" != *Tonvex* ]] || fail "took over $type"
done
[[ "$(query 'HKCU\Software\Classes\Tonvex.MidiFile\shell\open\command' /ve)" == *'\Programs\Tonvex\tonvex.exe" "%1"'* ]] ||
  fail "no open command"
[[ "$(query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tonvex')" == *'uninstall.exe" /S'* ]] ||
  fail "no uninstaller registered"
wine "$installed/uninstall.exe" /S || fail "the uninstaller ended with status $?"
# It runs a copy of itself and returns at once.
wait_for 30 test ! -e "$installed" || fail "files left in $installed"
for key in 'Classes\.mid' 'Classes\.kar' 'Classes\Tonvex.MidiFile' 'Classes\Applications\tonvex.exe' \
  'Microsoft\Windows\CurrentVersion\Uninstall\Tonvex'; do
  query "HKCU\\Software\\$key" >/dev/null && fail "$key left behind"
done
[ -z "$(find "$WINEPREFIX/drive_c" -name Tonvex.lnk)" ] || fail "Start menu entry left behind"
echo "PASS"
