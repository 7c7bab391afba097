#!/usr/bin/env bash
# The transform benchmarks of the Linux build and of the Windows build under Wine, each
# figure beside its Linux twin with the ratio Windows / Linux:
#   tools/bench-windows.sh [LINUX_BUILD [WINDOWS_BUILD]] [--benchmark_filter=REGEX]
# (defaults: build and build-windows, both built with their benchmarks). For times, a ratio
# above 1 means Windows under Wine is slower; for rates (per second), below 1.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
builds=()
while [ $# -gt 0 ] && [ "${1#--}" = "$1" ]; do builds+=("$(cd "$1" && pwd)"); shift; done
linux=${builds[0]:-$top/build}
windows=${builds[1]:-$top/build-windows}
out=$(mktemp -d)
# shellcheck source=tools/wine-env.sh
source "$top/tools/wine-env.sh"
wine_env "$windows"
trap 'wine_end; rm -rf "$out"' EXIT
wine_keep_alive
(cd "$linux/bench/transform" && ./tonvex_bench_transform "$@") | tee "$out/linux"
(cd "$windows/bench/transform" && wine ./tonvex_bench_transform.exe "$@") | tee "$out/windows"
printf '\n%-26s %-28s %14s %14s %8s\n' benchmark figure linux windows ratio

# Lines "NAME TIME UNIT ... key=value..." from either format; the name without Google
# Benchmark's run options, figures with their k/M/G scale applied.
awk '
  function number(text) { # rates of bytes count in 1024s, as both formats print them
    base = text ~ /\/s$/ ? 1024 : 1000
    scale = text ~ /k/ ? base : text ~ /M/ ? base ^ 2 : text ~ /G/ ? base ^ 3 : 1
    return (text + 0) * scale
  }
  FNR == 1 { side = FILENAME ~ /linux$/ ? "linux" : "windows" }
  $1 ~ /^BM_/ && $2 ~ /^[0-9.]+$/ {
    name = $1; gsub(/\/(min_time|iterations|real_time)[^\/]*/, "", name)
    figure[side, name, "time_" $3] = $2; names[name, "time_" $3] = 1
    for (i = 4; i <= NF; ++i) if ($i ~ /=/) {
      split($i, pair, "="); figure[side, name, pair[1]] = number(pair[2]); names[name, pair[1]] = 1
    }
  }
  END {
    for (key in names) {
      split(key, part, SUBSEP)
      l = figure["linux", part[1], part[2]]; w = figure["windows", part[1], part[2]]
      if (l != "" && w != "") printf "%-26s %-28s %14.4g %14.4g %8.3f\n", part[1], part[2], l, w, l != 0 ? w / l : 0
    }
  }' "$out/linux" "$out/windows" | sort
