# Sourced by the test command: a private Xvfb display and a PulseAudio server with a null sink.
# Exports DISPLAY, XDG_RUNTIME_DIR and TONVEX_TEST_SINK for the tests that need them.

start_test_services() {
  TONVEX_SERVICES_DIR=$(mktemp -d)
  chmod 700 "$TONVEX_SERVICES_DIR"
  local display=:$(( 90 + RANDOM % 100 ))
  Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$TONVEX_SERVICES_DIR/xvfb.log" 2>&1 &
  TONVEX_XVFB_PID=$!
  export DISPLAY=$display

  export XDG_RUNTIME_DIR=$TONVEX_SERVICES_DIR
  export TONVEX_TEST_SINK=tonvex_test
  pulseaudio --daemonize=no -n --exit-idle-time=-1 \
    -L module-native-protocol-unix -L "module-null-sink sink_name=$TONVEX_TEST_SINK" \
    >"$TONVEX_SERVICES_DIR/pulse.log" 2>&1 &
  TONVEX_PULSE_PID=$!
  local i
  for i in $(seq 100); do
    pactl info >/dev/null 2>&1 && xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
  done
  # The window and sound tests skip themselves without these, so a failed start must not
  # pass for a green run.
  pactl info >/dev/null 2>&1 || { echo "PulseAudio did not start"; cat "$TONVEX_SERVICES_DIR/pulse.log"; return 1; }
  xdpyinfo >/dev/null 2>&1 || { echo "Xvfb did not start"; cat "$TONVEX_SERVICES_DIR/xvfb.log"; return 1; }
  pactl set-default-sink "$TONVEX_TEST_SINK" >/dev/null 2>&1 || true
}

stop_test_services() {
  [ -n "${TONVEX_PULSE_PID:-}" ] && kill "$TONVEX_PULSE_PID" 2>/dev/null && wait "$TONVEX_PULSE_PID" 2>/dev/null
  [ -n "${TONVEX_XVFB_PID:-}" ] && kill "$TONVEX_XVFB_PID" 2>/dev/null && wait "$TONVEX_XVFB_PID" 2>/dev/null
  [ -n "${TONVEX_SERVICES_DIR:-}" ] && rm -rf "$TONVEX_SERVICES_DIR"
  return 0
}
