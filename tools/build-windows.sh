#!/usr/bin/env bash
# Cross-builds the Windows programs on Debian with mingw-w64:
#   tools/build-windows.sh [BUILD_DIR]     (default: build-windows)
# Installs what is missing first (tools/setup.sh). The programs land in BUILD_DIR/bin
# (tonvex.exe, tonvex-transform.exe), the test programs in BUILD_DIR/tests/, the portable zip
# and the installer in BUILD_DIR.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-build-windows}
"$top/tools/setup.sh"
# gtest_discover_tests runs the test programs under Wine while building.
source "$top/tools/wine-env.sh"
wine_env "$dir"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$top" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE="${TONVEX_WINDOWS_BUILD_TYPE:-RelWithDebInfo}" "${launcher[@]}" >/dev/null
cmake --build "$dir" -j"$(nproc)"
# The portable zip and the installer, beside bin/.
cmake --build "$dir" --target tonvex_windows_packages
echo "Windows programs in $(cd "$dir" && pwd)/bin"
echo "Windows packages: $(cd "$dir" && ls -d "$PWD"/tonvex-*-windows-x64.zip "$PWD"/tonvex-*-setup.exe | tr '\n' ' ')"
