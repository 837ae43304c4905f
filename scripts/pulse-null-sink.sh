# Sourced by the test scripts: a private PulseAudio daemon with a 44100 Hz
# null sink, so that RtAudio finds a real output device on a machine without
# a sound card. The monitor source "hg_null.monitor" records what was played.

pulse_start() {
  command -v pulseaudio >/dev/null || { echo "pulseaudio not installed: audio tests will have no device"; return 0; }
  export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d /tmp/hg-runtime.XXXXXX)}
  chmod 700 "$XDG_RUNTIME_DIR"
  export PULSE_RUNTIME_PATH=$XDG_RUNTIME_DIR/pulse
  HG_PULSE_STARTED=1
  pulseaudio --kill >/dev/null 2>&1 || true
  pulseaudio -n --daemonize=yes --exit-idle-time=-1 --disallow-exit \
    --load="module-native-protocol-unix" \
    --load="module-null-sink sink_name=hg_null rate=44100 channels=2" \
    --load="module-always-sink" >/dev/null 2>&1 || { echo "pulseaudio failed to start"; return 0; }
  for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
  pactl set-default-sink hg_null >/dev/null 2>&1 || true
  echo "pulseaudio: null sink hg_null at 44100 Hz"
}

pulse_stop() {
  if [ "${HG_PULSE_STARTED:-0}" = 1 ]; then
    pulseaudio --kill >/dev/null 2>&1 || true
  fi
}
