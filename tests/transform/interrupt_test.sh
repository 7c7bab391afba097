#!/usr/bin/env bash
# tonvex-transform.exe under Wine, given Ctrl-C on its console (a pseudo-terminal) while it
# writes, ends as Ctrl-C ends Windows programs (0xC000013A: POSIX sees 58), leaving only its input.
set -euo pipefail
dir=$(mktemp -d)
trap 'rm -rf "$dir" "$dir.log"' EXIT
printf '\000\220\074\100' > "$dir/notes"
for _ in $(seq 24); do cat "$dir/notes" "$dir/notes" > "$dir/twice" && mv "$dir/twice" "$dir/notes"; done
{ printf 'MThd\0\0\0\6\0\0\0\1\0\140MTrk\4\0\0\4'; cat "$dir/notes"; printf '\0\377\57\0'; } > "$dir/long.mid"
rm "$dir/notes" # 16M note-ons, yet written in a fraction of a second: a busy machine may miss it
temporary() { [ -n "$(find "$dir" -name '.long_Mirror.mid.*')" ]; }
for attempt in $(seq 8); do
  # exec: a shell left between script and Wine would take the SIGINT for itself
  { for _ in $(seq 2000); do temporary && break; sleep 0.01; done
    printf '\003'
    for _ in $(seq 1000); do temporary || break; sleep 0.01; done # the console stays while it ends
    sleep 0.5
  } 2>/dev/null | script -qec "exec wine '$1' Mirror 'Z:$dir/long.mid'" /dev/null >"$dir.log" 2>&1 \
    && status=0 || status=${PIPESTATUS[1]}
  left=$(echo $(ls -A "$dir"))
  [ "$status" -eq 58 ] && [ "$left" = long.mid ] && exit 0
  # Ctrl-C came after the end: only a whole output is acceptable
  [ "$status" -eq 0 ] && [ "$left" = "long.mid long_Mirror.mid" ] && [ "$(stat -c %s "$dir/long_Mirror.mid")" -eq "$(stat -c %s "$dir/long.mid")" ] \
    || { echo "attempt $attempt: exit $status, left: $left" >&2; exit 1; }
  rm "$dir/long_Mirror.mid"
done
echo "never interrupted while writing: $attempt attempts ended first" >&2
exit 1
