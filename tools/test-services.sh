# Sourced by the test command: a private Xvfb display, a private weston (Wayland, headless) and
# a PulseAudio server with a null sink. Exports DISPLAY, XDG_RUNTIME_DIR, TONVEX_TEST_SINK and
# TONVEX_TEST_WAYLAND (the weston socket's path, for tests that start a program on Wayland;
# WAYLAND_DISPLAY itself stays unset, or every Qt test would pick Wayland).
#
# The servers keep away from any session or system bus: on a desktop, or once an X11
# autolaunched bus exists, PulseAudio would find another server's D-Bus name taken and hang.

start_test_services() {
  # env execs the server, so each pid below is the server's own.
  local no_bus=(env -u WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent
    DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent)
  TONVEX_SERVICES_DIR=$(mktemp -d)
  chmod 700 "$TONVEX_SERVICES_DIR"
  local display=:$(( 90 + RANDOM % 100 ))
  "${no_bus[@]}" Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$TONVEX_SERVICES_DIR/xvfb.log" 2>&1 &
  TONVEX_XVFB_PID=$!
  export DISPLAY=$display
  # On a Wayland desktop Qt would open the tests' windows there rather than on this display.
  unset WAYLAND_DISPLAY

  export XDG_RUNTIME_DIR=$TONVEX_SERVICES_DIR
  export TONVEX_TEST_SINK=tonvex_test
  "${no_bus[@]}" pulseaudio --daemonize=no -n --exit-idle-time=-1 \
    -L module-native-protocol-unix -L "module-null-sink sink_name=$TONVEX_TEST_SINK" \
    >"$TONVEX_SERVICES_DIR/pulse.log" 2>&1 &
  TONVEX_PULSE_PID=$!

  # A magenta desktop, so that whatever of it a window leaves uncovered is plain to see.
  printf '[core]\nidle-time=0\nrequire-input=false\n[shell]\nbackground-color=0xffff00ff\npanel-position=none\nlocking=false\nanimation=none\n' \
    >"$TONVEX_SERVICES_DIR/weston.ini"
  export TONVEX_TEST_WAYLAND=$TONVEX_SERVICES_DIR/tonvex-wayland
  "${no_bus[@]}" weston --backend=headless-backend.so --use-pixman \
    --width=1024 --height=768 --socket=tonvex-wayland --idle-time=0 --debug \
    --config="$TONVEX_SERVICES_DIR/weston.ini" >"$TONVEX_SERVICES_DIR/weston.log" 2>&1 &
  TONVEX_WESTON_PID=$!

  local i
  for i in $(seq 100); do
    pactl info >/dev/null 2>&1 && xdpyinfo >/dev/null 2>&1 && [ -S "$TONVEX_TEST_WAYLAND" ] && break
    sleep 0.1
  done
  # The window and sound tests skip themselves without these, so a failed start must not
  # pass for a green run.
  pactl info >/dev/null 2>&1 || { echo "PulseAudio did not start"; cat "$TONVEX_SERVICES_DIR/pulse.log"; return 1; }
  xdpyinfo >/dev/null 2>&1 || { echo "Xvfb did not start"; cat "$TONVEX_SERVICES_DIR/xvfb.log"; return 1; }
  [ -S "$TONVEX_TEST_WAYLAND" ] || { echo "weston did not start"; cat "$TONVEX_SERVICES_DIR/weston.log"; return 1; }
  pactl set-default-sink "$TONVEX_TEST_SINK" >/dev/null 2>&1 || true
}

stop_test_services() {
  [ -n "${TONVEX_PULSE_PID:-}" ] && kill "$TONVEX_PULSE_PID" 2>/dev/null && wait "$TONVEX_PULSE_PID" 2>/dev/null
  [ -n "${TONVEX_WESTON_PID:-}" ] && kill "$TONVEX_WESTON_PID" 2>/dev/null && wait "$TONVEX_WESTON_PID" 2>/dev/null
  [ -n "${TONVEX_XVFB_PID:-}" ] && kill "$TONVEX_XVFB_PID" 2>/dev/null && wait "$TONVEX_XVFB_PID" 2>/dev/null
  [ -n "${TONVEX_SERVICES_DIR:-}" ] && rm -rf "$TONVEX_SERVICES_DIR"
  return 0
}
