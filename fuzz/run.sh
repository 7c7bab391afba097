#!/usr/bin/env bash
# Builds the transformation fuzzer with clang and runs it for a bounded number of inputs,
# seeded from the shared MIDI files when they are there. Exits non-zero on a crash, a leak,
# a timeout or a memory blow-up.
#   fuzz/run.sh BUILD_DIR      (TONVEX_FUZZ_RUNS overrides the number of inputs)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build-fuzz}
runs=${TONVEX_FUZZ_RUNS:-30000}
jobs=$(nproc)
[ "$jobs" -gt 2 ] && jobs=2

cmake -S "$top" -B "$build" -DTONVEX_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target tonvex_fuzz_transform -j"$jobs" >/dev/null

corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
seeds="$top/../shared/testdata/midi"
if [ -d "$seeds" ]; then
  n=0
  while IFS= read -r -d '' file; do
    cp "$file" "$corpus/seed-$n"
    n=$((n + 1))
  done < <(find "$seeds" -type f ! -name '*.md' ! -name '*.tsv' -print0)
fi

log="$build/fuzz.log"
if ASAN_OPTIONS=detect_leaks=1 "$build/fuzz/tonvex_fuzz_transform" \
    -runs="$runs" -max_len=65536 -rss_limit_mb=1024 -timeout=10 -seed=1 \
    -artifact_prefix="$build/" "$corpus" >"$log" 2>&1; then
  echo "fuzz: $runs inputs transformed, no crash, no leak ($(grep -c '' "$log") log lines in $log)"
else
  status=$?
  tail -n 60 "$log"
  echo "fuzz: FAILED (exit $status), crash input in $build/"
  exit 1
fi
