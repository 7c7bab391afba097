#!/usr/bin/env bash
# tonvex-transform.exe under Wine, given Ctrl-C on its console (a pseudo-terminal) while it
# writes, ends as Ctrl-C ends Windows programs (0xC000013A: POSIX sees 58), leaving only its input.
set -euo pipefail
dir=$(mktemp -d)
trap 'rm -rf "$dir" "$dir.log"' EXIT
printf '\000\220\074\100' > "$dir/notes"
for _ in $(seq 22); do cat "$dir/notes" "$dir/notes" > "$dir/twice" && mv "$dir/twice" "$dir/notes"; done
{ printf 'MThd\0\0\0\6\0\0\0\1\0\140MTrk\1\0\0\4'; cat "$dir/notes"; printf '\0\377\57\0'; } > "$dir/long.mid"
rm "$dir/notes" # 4M note-ons: long enough to be caught in the middle
temporary() { [ -n "$(find "$dir" -name '.long_Mirror.mid.*')" ]; }
status=0
{ for _ in $(seq 2000); do temporary && break; sleep 0.01; done
  printf '\003'
  for _ in $(seq 1000); do temporary || break; sleep 0.01; done # the console stays while it ends
  sleep 0.5
} | script -qec "wine '$1' Mirror 'Z:$dir/long.mid'" /dev/null >"$dir.log" 2>&1 || status=$?
[ "$status" -eq 58 ] && [ "$(ls -A "$dir")" = long.mid ] || { echo "exit $status, left: $(ls -A "$dir")" >&2; exit 1; }
