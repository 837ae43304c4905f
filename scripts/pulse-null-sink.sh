# Sourced by the test scripts: a private PulseAudio daemon with a 44100 Hz
# null sink, so that RtAudio finds a real output device on a machine without
# a sound card. The monitor source "hg_null.monitor" records what was played.
#
# The daemon is private whatever the session holds: it lives in a fresh
# folder of its own (socket, cookie, state), sees no session bus, and is
# ended by its own PID, after which the folder is removed. A desktop's own
# sound server, its runtime folder and its streams are never touched.
# pulse_start exports PULSE_SERVER, PULSE_COOKIE and PULSE_CLIENTCONFIG
# (autospawn off), so every client of this shell reaches the private daemon
# or, should it not run, no server at all; never the user's.
#
#   pulse_start    start it; status 1 (and a message) when it is not there to use
#   pulse_check    status 0 when the server in use is the private one
#   pulse_stop     end it and remove its folder

# A process that has not ended (a zombie has ended: it only awaits its wait).
_pulse_alive() {
  local stat
  stat=$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null) || return 1
  [ -n "$stat" ] && [ "${stat%% *}" != Z ]
}

pulse_start() {
  HG_PULSE_DIR=$(mktemp -d "${TMPDIR:-/tmp}/hg-pulse.XXXXXX") || { echo "pulseaudio: no private folder could be made"; return 1; }
  HG_PULSE_PID=
  mkdir -m 700 "$HG_PULSE_DIR/runtime" "$HG_PULSE_DIR/state" "$HG_PULSE_DIR/config"
  head -c 256 /dev/urandom > "$HG_PULSE_DIR/cookie"
  printf 'autospawn = no\ndefault-server = unix:%s\ncookie-file = %s\n' \
    "$HG_PULSE_DIR/runtime/native" "$HG_PULSE_DIR/cookie" > "$HG_PULSE_DIR/client.conf"
  export PULSE_SERVER=unix:$HG_PULSE_DIR/runtime/native
  export PULSE_COOKIE=$HG_PULSE_DIR/cookie
  export PULSE_CLIENTCONFIG=$HG_PULSE_DIR/client.conf
  if ! command -v pulseaudio >/dev/null; then
    echo "pulseaudio is not installed: the audio tests have no device"
    return 1
  fi
  # No session bus: a desktop's daemon holds the bus name the daemon asks for,
  # and the daemon would end for it.
  env -u DISPLAY -u WAYLAND_DISPLAY \
    DBUS_SESSION_BUS_ADDRESS="unix:path=$HG_PULSE_DIR/no-session-bus" \
    PULSE_RUNTIME_PATH="$HG_PULSE_DIR/runtime" PULSE_STATE_PATH="$HG_PULSE_DIR/state" \
    PULSE_CONFIG_PATH="$HG_PULSE_DIR/config" \
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit --log-target=stderr \
      --load="module-native-protocol-unix socket=$HG_PULSE_DIR/runtime/native auth-cookie=$HG_PULSE_DIR/cookie" \
      --load="module-null-sink sink_name=hg_null rate=44100 channels=2" \
      --load="module-always-sink" </dev/null >"$HG_PULSE_DIR/daemon.log" 2>&1 &
  HG_PULSE_PID=$!
  for _ in $(seq 100); do
    pulse_check && break
    _pulse_alive "$HG_PULSE_PID" || break
    sleep 0.1
  done
  LC_ALL=C pactl set-default-sink hg_null >/dev/null 2>&1 || true
  if ! pulse_check; then
    echo "pulseaudio: the private daemon did not start; nothing will be played on another server"
    tail -n 20 "$HG_PULSE_DIR/daemon.log" 2>/dev/null | sed 's/^/  /'
    return 1
  fi
  echo "pulseaudio: private daemon $HG_PULSE_PID, null sink hg_null at 44100 Hz ($PULSE_SERVER)"
}

# The server this shell reaches is the private daemon: its socket, running,
# with hg_null at 44100 Hz as the default sink.
pulse_check() {
  [ -n "${HG_PULSE_PID:-}" ] && _pulse_alive "$HG_PULSE_PID" || return 1
  [ "${PULSE_SERVER:-}" = "unix:$HG_PULSE_DIR/runtime/native" ] && [ -S "$HG_PULSE_DIR/runtime/native" ] || return 1
  local info sinks
  info=$(LC_ALL=C pactl info 2>/dev/null) || return 1
  grep -qxF "Server String: $HG_PULSE_DIR/runtime/native" <<<"$info" ||
    grep -qxF "Server String: unix:$HG_PULSE_DIR/runtime/native" <<<"$info" || return 1
  grep -qx "Default Sink: hg_null" <<<"$info" || return 1
  sinks=$(LC_ALL=C pactl list short sinks 2>/dev/null) || return 1
  awk -F '\t' '$2 == "hg_null" && $3 == "module-null-sink.c" && $4 ~ / 44100Hz$/ { found = 1 } END { exit !found }' <<<"$sinks"
}

pulse_stop() {
  if [ -n "${HG_PULSE_PID:-}" ]; then
    kill "$HG_PULSE_PID" 2>/dev/null || true
    for _ in $(seq 50); do _pulse_alive "$HG_PULSE_PID" || break; sleep 0.1; done
    ! _pulse_alive "$HG_PULSE_PID" || kill -KILL "$HG_PULSE_PID" 2>/dev/null || true
    wait "$HG_PULSE_PID" 2>/dev/null || true
    HG_PULSE_PID=
  fi
  if [ -n "${HG_PULSE_DIR:-}" ]; then
    rm -rf "$HG_PULSE_DIR"
    HG_PULSE_DIR=
  fi
}
