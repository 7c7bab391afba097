# Sourced: the Wine environment for running the Windows build's programs.
#   wine_env BUILD_DIR    a 64-bit prefix inside the build folder, quiet, without Mono/Gecko
#   wine_keep_alive       one Wine process for the whole run, so each start is fast
#   wine_end              ends it and the prefix's wine server
wine_env() {
  mkdir -p "$1"
  export WINEPREFIX WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  WINEPREFIX=$(cd "$1" && pwd)/wine-prefix
}

wine_keep_alive() {
  wine cmd /c exit >/dev/null 2>&1 || true   # makes the prefix on first use
  wine ping -n 1000000 127.0.0.1 >/dev/null 2>&1 &
  wine_keeper=$!
}

wine_end() {
  [ -n "${wine_keeper:-}" ] && kill "$wine_keeper" 2>/dev/null
  wine_keeper=
  wineserver -k 2>/dev/null || true
  # A Wine start while the old server is still going starts a new server that keeps the
  # starter's output open (a ctest run then waits for it until its timeout).
  wineserver -w 2>/dev/null || true
}
