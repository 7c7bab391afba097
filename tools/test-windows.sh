#!/usr/bin/env bash
# Cross-builds the Windows programs and runs their tests under Wine, so that the Windows
# build is held to the same bytes as the Linux one:
#   tools/test-windows.sh [BUILD_DIR]     (default: build-windows)
# Fails when the build or any test fails.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-build-windows}
# shellcheck source=tools/wine-env.sh
source "$top/tools/wine-env.sh"
wine_env "$dir"
trap wine_end EXIT
# The window tests need a display; tools/test.sh has started one already.
if [ -z "${DISPLAY:-}" ]; then
  # shellcheck source=tools/test-services.sh
  source "$top/tools/test-services.sh"
  start_test_services
  trap 'wine_end; stop_test_services' EXIT
fi
"$top/tools/setup.sh"
wine_keep_alive
# The benchmarks are built too: they must compile, but running them is not a test.
"$top/tools/build-windows.sh" "$dir"
ctest --test-dir "$dir" --output-on-failure -j"$(nproc)"
