#!/usr/bin/env bash
# tonvex-transform.exe under Wine, interrupted by Ctrl-C on its console (a pseudo-terminal,
# which Wine's console turns into CTRL_C_EVENT) once its temporary file exists: it must end
# as Ctrl-C ends a Windows program (0xC000013A, whose low byte 58 the POSIX side sees) and
# leave nothing beside its input.
set -euo pipefail
tool=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

# One track of 4M note-ons (16 MiB): long enough to be caught in the middle.
printf '\000\220\074\100' > "$dir/events"
for _ in $(seq 22); do cat "$dir/events" "$dir/events" > "$dir/twice" && mv "$dir/twice" "$dir/events"; done
{ printf 'MThd\000\000\000\006\000\000\000\001\000\140MTrk\001\000\000\004'
  cat "$dir/events"; printf '\000\377\057\000'; } > "$dir/long.mid"
rm "$dir/events"

status=0
{ for _ in $(seq 2000); do
    [ -n "$(find "$dir" -name '.long_Mirror.mid.*')" ] && break
    sleep 0.01
  done
  printf '\003'
  # The console stays open while the tool ends.
  for _ in $(seq 1000); do
    [ -z "$(find "$dir" -name '.long_Mirror.mid.*')" ] && break
    sleep 0.01
  done
  sleep 0.5
} | script -qec "wine '$tool' Mirror 'Z:$dir/long.mid'" /dev/null >"$dir.log" 2>&1 || status=$?
left=$(ls -A "$dir")
rm -f "$dir.log"
if [ "$status" -ne 58 ] || [ "$left" != long.mid ]; then
  echo "interrupted run: exit status $status, left in the folder: $left" >&2
  exit 1
fi
