#!/usr/bin/env bash
# Checks that the audio path of scripts/test.sh (pulse_start, the play tests,
# pulse_stop) leaves a desktop user's sound alone. A stand-in for the user's
# session is made in a folder of its own: a session bus, a sound server in
# $XDG_RUNTIME_DIR with a 48 kHz sink as its default, a steady stream of
# silence into it and a recording of that sink's monitor. The play tests then
# run with the session's variables in three rounds: a PulseAudio daemon
# writing its pid file, one without (as socket-activated servers run), and a
# PipeWire server (as Debian's GNOME runs), beside which the private server
# is PipeWire too. Afterwards the user's server and its stream must still
# run, the recording must be silent (no test signal reached the user's sink)
# and no other stream may have appeared there. A round whose server is not
# installed is left out.
#
#   scripts/check-private-audio.sh BUILD_DIR
#
# Exit status: 0 all well; 1 a play test failed, the user's session was left
# alone; 2 the user's session was touched; 3 the check could not run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: check-private-audio.sh BUILD_DIR}" && pwd)
source "$root/scripts/pulse-null-sink.sh"
# One idle play test of each program that plays: what they sound and where is
# the question here; their timing beside a load is judged in the test stages.
plays='^(RealTime\.PlaysAGeneratedImage|PlaybackContinuity\.TheWindowPlaysAnImageOpened|MainWindowPlayback\.)'

for tool in pactl pacat parec dbus-daemon; do
  command -v "$tool" >/dev/null || { echo "check-private-audio: $tool is missing" >&2; exit 3; }
done

# Short, whatever TMPDIR is: the stand-in's sockets live in it.
session=$(mktemp -d /tmp/hg-XXXXXX)
pids=()
# Ends what this script started, each by its own PID, newest first.
stop_all() {
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[i]}" 2>/dev/null || true
    wait "${pids[i]}" 2>/dev/null || true
  done
  pids=()
}
cleanup() {
  stop_all
  rm -rf "$session"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# The user's sound server of a round, in the session's environment.
start_user_server() {
  local variant=$1 home=$2
  case "$variant" in
    pipewire)
      local pipewire_env=("${user[@]}") pipewire_pids=()
      mkdir -p -m 700 "$home/runtime/pulse"
      pipewire_server_start "$home/pipewire" "$home/runtime" "$home/runtime/pulse/native" user_speakers 48000 || true
      pids+=("${pipewire_pids[@]}")
      ;;
    *)
      local pidfile=yes
      [ "$variant" = no-pid-file ] && pidfile=no
      "${user[@]}" pulseaudio -n --daemonize=no --use-pid-file=$pidfile --exit-idle-time=-1 \
        --load=module-native-protocol-unix \
        --load="module-null-sink sink_name=user_speakers rate=48000 channels=2" \
        --load=module-always-sink </dev/null >"$home/daemon.log" 2>&1 &
      pids+=($!)
      ;;
  esac
}

# One round: the user's session, the play tests through the test command's
# audio path, then the verdict: 0, 1 (a play test failed) or 2 (touched).
round() {
  local variant=$1 home=$session/$1
  mkdir -p -m 700 "$home" "$home/home" "$home/runtime"
  local -a user=(env -u PULSE_SERVER -u PULSE_COOKIE -u PULSE_CLIENTCONFIG -u PULSE_RUNTIME_PATH -u DISPLAY
                 -u PIPEWIRE_RUNTIME_DIR -u PIPEWIRE_REMOTE
                 HOME="$home/home" XDG_RUNTIME_DIR="$home/runtime"
                 DBUS_SESSION_BUS_ADDRESS="unix:path=$home/runtime/bus" LC_ALL=C)

  dbus-daemon --session --address="unix:path=$home/runtime/bus" --nofork --nopidfile >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do [ -S "$home/runtime/bus" ] && break; sleep 0.1; done

  start_user_server "$variant" "$home"
  local server_pids=("${pids[@]:1}")
  # The server answers before it can take its sink as the default: the sink
  # may not be made yet, and PipeWire's server refuses ("Not supported")
  # until its session manager has made the metadata that holds the default.
  # So the default is asked for until it is taken (bounded only against a
  # hang).
  local started=no
  for _ in $(seq 300); do
    "${user[@]}" pactl set-default-sink user_speakers >/dev/null 2>&1 && { started=yes; break; }
    sleep 0.1
  done
  [ "$started" = yes ] ||
    { echo "check-private-audio ($variant): the stand-in's server did not start"; stop_all; return 3; }
  if [ "$variant" != pipewire ]; then
    local want=yes has=no
    [ "$variant" = no-pid-file ] && want=no
    [ -s "$home/runtime/pulse/pid" ] && has=yes
    [ "$has" = "$want" ] || { echo "check-private-audio: the stand-in's pid file is not as meant ($variant)"; stop_all; return 3; }
  fi

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
  local status=0 private=${HG_AUDIO_SERVER:-}
  [ "$variant" = pipewire ] && private=pipewire
  (
    # The session's variables, as a terminal of the desktop has them.
    unset PULSE_SERVER PULSE_COOKIE PULSE_CLIENTCONFIG PULSE_RUNTIME_PATH PIPEWIRE_RUNTIME_DIR PIPEWIRE_REMOTE
    export HOME="$home/home" XDG_RUNTIME_DIR="$home/runtime" DBUS_SESSION_BUS_ADDRESS="unix:path=$home/runtime/bus"
    trap pulse_stop EXIT
    HG_AUDIO_SERVER=$private pulse_start || exit 1
    cd "$build" && HG_REQUIRE_AUDIO=1 QT_QPA_PLATFORM=offscreen ctest -R "$plays" --output-on-failure --timeout 300
  ) || status=1
  local inputs_after
  inputs_after=$("${user[@]}" pactl list short sink-inputs 2>/dev/null | cut -f1 | sort) || true
  sleep 0.5

  local touched=() pid
  for pid in "${server_pids[@]}"; do alive "$pid" || touched+=("a process of the user's sound server ended")
  done
  "${user[@]}" pactl info >/dev/null 2>&1 || touched+=("the user's sound server does not answer")
  alive "$stream" || touched+=("the user's stream ended")
  alive "$recorder" || touched+=("the recording of the user's sink ended")
  [ "$inputs_after" = "$inputs_before" ] || touched+=("the user's sink has other streams: '$inputs_after' (before: '$inputs_before')")
  local recorded sounding
  recorded=$(stat -c %s "$home/monitor.raw")
  sounding=$(tr -d '\0' <"$home/monitor.raw" | wc -c)
  [ "$recorded" -gt 48000 ] || touched+=("the recording of the user's sink holds only $recorded bytes")
  [ "$sounding" -eq 0 ] || touched+=("the user's sink played sound ($sounding non-zero bytes of $recorded)")

  stop_all
  if [ ${#touched[@]} -gt 0 ]; then
    local line
    for line in "${touched[@]}"; do echo "check-private-audio ($variant): the user's session was touched: $line"; done
    [ "$status" -eq 0 ] || echo "check-private-audio ($variant): the play tests failed as well"
    tail -n 5 "$home/daemon.log" "$home/pipewire/"*.log 2>/dev/null | sed 's/^/  user server: /'
    return 2
  fi
  if [ "$status" -ne 0 ]; then
    echo "check-private-audio ($variant): a play test failed; the user's session was left alone ($recorded bytes recorded, silent)"
    return 1
  fi
  echo "check-private-audio ($variant): the user's server and stream ran on, their sink stayed silent ($recorded bytes recorded)"
}

alive() { _pulse_alive "$1"; }

result=0 rounds=0
for variant in with-pid-file no-pid-file pipewire; do
  kind=pulseaudio
  [ "$variant" = pipewire ] && kind=pipewire
  missing=$(pulse_server_missing "$kind")
  if [ -n "$missing" ]; then
    echo "check-private-audio ($variant): left out, $(echo $missing) not installed"
    continue
  fi
  rounds=$((rounds + 1))
  rc=0
  round "$variant" || rc=$?
  # A touched session outweighs all, a check that could not run a failed test.
  case "$rc:$result" in
    2:*) result=2 ;;
    3:[01]) result=3 ;;
    1:0) result=1 ;;
  esac
done
if [ "$rounds" -eq 0 ]; then
  echo "check-private-audio: no sound server to stand in for the user's is installed"
  exit 3
fi
exit $result
