#!/usr/bin/env bash
# Installs what is missing, builds Tonvex and starts it.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/setup.sh"
cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=Release -DTONVEX_BENCH=OFF >/dev/null
cmake --build "$top/build" --target tonvex -j"$(nproc)"
exec "$top/build/bin/tonvex"
