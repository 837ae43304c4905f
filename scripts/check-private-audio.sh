#!/usr/bin/env bash
# Checks that the audio path of scripts/test.sh (pulse_start, the play tests,
# pulse_stop) leaves a desktop user's sound alone. A stand-in for the user's
# session is made in a folder of its own: a session bus, a PulseAudio daemon
# in $XDG_RUNTIME_DIR/pulse with a 48 kHz sink as its default, a steady stream
# of silence into it and a recording of that sink's monitor. The play tests
# then run with the session's variables, once with the daemon writing its pid
# file and once without one (as socket-activated servers run). Afterwards the
# daemon and its stream must still run, the recording must be silent (no test
# signal reached the user's sink) and no other stream may have appeared there.
#
#   scripts/check-private-audio.sh BUILD_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: check-private-audio.sh BUILD_DIR}" && pwd)
# One idle play test of each program that plays: what they sound and where is
# the question here; their timing beside a load is judged in the test stages.
plays='^(RealTime\.PlaysAGeneratedImage|PlaybackContinuity\.TheWindowPlaysAnImageOpened|MainWindowPlayback\.)'

for tool in pulseaudio pactl pacat parec dbus-daemon; do
  command -v "$tool" >/dev/null || { echo "check-private-audio: $tool is missing" >&2; exit 1; }
done

session=$(mktemp -d "${TMPDIR:-/tmp}/hg-session.XXXXXX")
pids=()
# Ends what this script started, each by its own PID, newest first.
cleanup() {
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[i]}" 2>/dev/null || true
    wait "${pids[i]}" 2>/dev/null || true
  done
  pids=()
  rm -rf "$session"
}
trap cleanup EXIT

alive() {
  local stat
  stat=$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null) || return 1
  [ -n "$stat" ] && [ "${stat%% *}" != Z ]
}

# One round: the user's session with or without a pid file, the play tests
# through the test command's audio path, then the verdict.
round() {
  local variant=$1 home=$session/$1
  mkdir -p -m 700 "$home" "$home/home" "$home/runtime"
  local -a user=(env -u PULSE_SERVER -u PULSE_COOKIE -u PULSE_CLIENTCONFIG -u PULSE_RUNTIME_PATH -u DISPLAY
                 HOME="$home/home" XDG_RUNTIME_DIR="$home/runtime"
                 DBUS_SESSION_BUS_ADDRESS="unix:path=$home/runtime/bus" LC_ALL=C)

  dbus-daemon --session --address="unix:path=$home/runtime/bus" --nofork --nopidfile >/dev/null 2>&1 &
  pids+=($!)
  local bus=$!
  for _ in $(seq 50); do [ -S "$home/runtime/bus" ] && break; sleep 0.1; done

  local pidfile=yes
  [ "$variant" = no-pid-file ] && pidfile=no
  "${user[@]}" pulseaudio -n --daemonize=no --use-pid-file=$pidfile --exit-idle-time=-1 \
    --load=module-native-protocol-unix \
    --load="module-null-sink sink_name=user_speakers rate=48000 channels=2" \
    --load=module-always-sink </dev/null >"$home/daemon.log" 2>&1 &
  pids+=($!)
  local daemon=$!
  for _ in $(seq 100); do "${user[@]}" pactl info >/dev/null 2>&1 && break; sleep 0.1; done
  "${user[@]}" pactl set-default-sink user_speakers
  local has_pidfile=no
  [ -s "$home/runtime/pulse/pid" ] && has_pidfile=yes
  [ "$has_pidfile" = "$pidfile" ] || { echo "check-private-audio: the stand-in's pid file is not as meant ($variant)"; return 1; }

  "${user[@]}" pacat --playback --raw --format=s16le --rate=48000 --channels=2 /dev/zero 2>"$home/stream.log" &
  pids+=($!)
  local stream=$!
  "${user[@]}" parec --device=user_speakers.monitor --raw --format=s16le --rate=48000 --channels=2 \
    >"$home/monitor.raw" 2>"$home/recorder.log" &
  pids+=($!)
  local recorder=$!
  for _ in $(seq 100); do [ -n "$("${user[@]}" pactl list short sink-inputs)" ] && break; sleep 0.1; done
  local inputs_before
  inputs_before=$("${user[@]}" pactl list short sink-inputs | cut -f1 | sort)

  echo "-- the play tests beside a user's session ($variant)"
  local status=0
  (
    # The session's variables, as a terminal of the desktop has them.
    unset PULSE_SERVER PULSE_COOKIE PULSE_CLIENTCONFIG PULSE_RUNTIME_PATH
    export HOME="$home/home" XDG_RUNTIME_DIR="$home/runtime" DBUS_SESSION_BUS_ADDRESS="unix:path=$home/runtime/bus"
    source "$root/scripts/pulse-null-sink.sh"
    trap pulse_stop EXIT
    pulse_start || exit 1
    cd "$build" && HG_REQUIRE_AUDIO=1 QT_QPA_PLATFORM=offscreen ctest -R "$plays" --output-on-failure --timeout 300
  ) || status=1
  local inputs_after
  inputs_after=$("${user[@]}" pactl list short sink-inputs 2>/dev/null | cut -f1 | sort) || true
  sleep 0.5

  local verdict=()
  alive "$daemon" && "${user[@]}" pactl info >/dev/null 2>&1 || verdict+=("the user's sound server is gone")
  alive "$stream" || verdict+=("the user's stream ended")
  alive "$recorder" || verdict+=("the recording of the user's sink ended")
  [ "$inputs_after" = "$inputs_before" ] || verdict+=("the user's sink has other streams: '$inputs_after' (before: '$inputs_before')")
  local recorded sounding
  recorded=$(stat -c %s "$home/monitor.raw")
  sounding=$(tr -d '\0' <"$home/monitor.raw" | wc -c)
  [ "$recorded" -gt 48000 ] || verdict+=("the recording of the user's sink holds only $recorded bytes")
  [ "$sounding" -eq 0 ] || verdict+=("the user's sink played sound ($sounding non-zero bytes of $recorded)")
  [ "$status" -eq 0 ] || verdict+=("the play tests failed")

  kill "$recorder" "$stream" "$daemon" "$bus" 2>/dev/null || true
  wait "$recorder" "$stream" "$daemon" "$bus" 2>/dev/null || true
  pids=()
  if [ ${#verdict[@]} -gt 0 ]; then
    local line
    for line in "${verdict[@]}"; do echo "check-private-audio ($variant): $line"; done
    tail -n 5 "$home/daemon.log" | sed 's/^/  user daemon: /'
    return 1
  fi
  echo "check-private-audio ($variant): the user's daemon and stream ran on, their sink stayed silent ($recorded bytes recorded)"
}

result=0
round with-pid-file || result=1
round no-pid-file || result=1
exit $result
