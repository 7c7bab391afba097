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
status=0
# Linked statically, the programs import DLLs of Windows itself alone, which every
# Windows 10 and 11 has.
system_dlls='^(kernel32|user32|gdi32|shell32|advapi32|ole32|oleaut32|comctl32|comdlg32|shlwapi|uxtheme|dwmapi|imm32|winmm|msvcrt|ws2_32|bcrypt)\.dll$'
for program in "$dir"/bin/*.exe; do
  if foreign=$(x86_64-w64-mingw32-objdump -p "$program" | sed -n 's/^\tDLL Name: //p' | grep -viE "$system_dlls"); then
    echo "$program imports DLLs Windows does not have: $foreign" >&2
    status=1
  fi
done
ctest --test-dir "$dir" --output-on-failure -j"$(nproc)" || status=1
exit $status
