#!/usr/bin/env bash
# Installs what is missing, builds Tonvex (plain and with ASan+UBSan) and runs every test,
# with a private X server and a PulseAudio null sink for the window and sound tests.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
"$top/tools/setup.sh"
# The locale tests need a Turkish locale, where the C library's toupper('i') is not 'I'.
if ! locale -a 2>/dev/null | grep -qi '^tr_TR\.utf-\?8$'; then
  localedef -i tr_TR -f UTF-8 tr_TR.UTF-8 2>/dev/null || echo "no tr_TR.UTF-8 locale: its tests will skip"
fi

# shellcheck source=tools/test-services.sh
source "$top/tools/test-services.sh"
trap stop_test_services EXIT
start_test_services

status=0
run_suite() { # build dir, cmake options...
  local dir=$1; shift
  cmake -S "$top" -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
  ctest --test-dir "$dir" --output-on-failure -j"$jobs" || status=1
}

run_suite "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
"$top/fuzz/run.sh" "$top/build-fuzz" || status=1
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  run_suite "$top/build-sanitize" -DCMAKE_BUILD_TYPE=Debug -DTONVEX_SANITIZE=ON -DTONVEX_BENCH=OFF
# The Windows build, cross-compiled, and its tests under Wine.
"$top/tools/test-windows.sh" "$top/build-windows" || status=1

exit $status
