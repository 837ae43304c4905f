# Sourced by the test scripts: a private sound server with a 44100 Hz null
# sink "hg_null" as its default, so that RtAudio finds a real output device on
# a machine without a sound card. The monitor source "hg_null.monitor" records
# what was played. Clients reach it through the PulseAudio protocol.
#
# Two servers can stand in, so that what desktops run is what is tested:
#   HG_AUDIO_SERVER=pulseaudio   a PulseAudio daemon
#   HG_AUDIO_SERVER=pipewire     PipeWire: the daemon, its PulseAudio server and
#                                WirePlumber to link the streams to the sink
# By default PulseAudio where it is installed, else PipeWire.
#
# The server is private whatever the session holds: it lives in a fresh
# folder of its own (sockets, cookie, configuration, state), sees no session
# bus and no sound card, and every process of it is ended by its own PID,
# after which the folder is removed. A desktop's own sound server, its
# runtime folder and its streams are never touched. The folder is
# /tmp/hg-XXXXXX whatever TMPDIR is: a socket's path must fit in 108 bytes.
# pulse_start exports PULSE_SERVER, PULSE_COOKIE and PULSE_CLIENTCONFIG
# (autospawn off), so every client of this shell reaches the private server
# or, should it not run, no server at all; never the user's.
#
# It also exports HG_PULSE_PIDS, the PIDs of the server's processes, so that
# the play tests know the server's threads without looking through every
# process of the machine.
#
#   pulse_start    start it; status 1 (and a message) when it is not there to use
#   pulse_check    status 0 when the server in use is the private one
#   pulse_stop     end it, remove its folder, and give PULSE_SERVER,
#                  PULSE_COOKIE and PULSE_CLIENTCONFIG back the values (or
#                  the absence) that pulse_start found, so that sound programs
#                  started later from the same shell reach the user's server

[ -n "${_pulse_pids+set}" ] || _pulse_pids=()

# What pulse_start found of the client variables, until pulse_stop gives it
# back: "NAME=value", or "NAME" for one that was not set.
_pulse_save_env() {
  [ -z "${_pulse_env_saved:-}" ] || return 0
  _pulse_env_saved=1
  _pulse_env=()
  local v
  for v in PULSE_SERVER PULSE_COOKIE PULSE_CLIENTCONFIG; do
    if [ -n "${!v+set}" ]; then _pulse_env+=("$v=${!v}"); else _pulse_env+=("$v"); fi
  done
}
_pulse_restore_env() {
  [ -n "${_pulse_env_saved:-}" ] || return 0
  local e
  for e in "${_pulse_env[@]}"; do
    if [[ $e == *=* ]]; then export "${e%%=*}=${e#*=}"; else unset "$e"; fi
  done
  _pulse_env_saved=
}

# A process that has not ended (a zombie has ended: it only awaits its wait).
_pulse_alive() {
  local stat
  stat=$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null) || return 1
  [ -n "$stat" ] && [ "${stat%% *}" != Z ]
}

# The server pulse_start uses: HG_AUDIO_SERVER, else what is installed.
pulse_server_kind() {
  case "${HG_AUDIO_SERVER:-}" in
    pulseaudio | pipewire) echo "$HG_AUDIO_SERVER"; return 0 ;;
    "") ;;
    *) echo "HG_AUDIO_SERVER=$HG_AUDIO_SERVER: only pulseaudio or pipewire" >&2; return 1 ;;
  esac
  if command -v pulseaudio >/dev/null; then echo pulseaudio; else echo pipewire; fi
}

# The tools a server needs; their names, one a line, for those missing.
pulse_server_missing() {
  local tool tools=(pactl)
  case "$1" in
    pulseaudio) tools+=(pulseaudio) ;;
    pipewire) tools+=(pipewire wireplumber) ;;
  esac
  for tool in "${tools[@]}"; do command -v "$tool" >/dev/null || echo "$tool"; done
  if [ "$1" = pipewire ] && ! compgen -G "/usr/lib/*/pipewire-0.3/libpipewire-module-protocol-pulse.so" >/dev/null; then
    echo "libpipewire-0.3-modules"
  fi
}

# Every process of the server runs in a session of its own, as a desktop's
# sound server (a service of the user's, not a child of the terminal that
# runs the tests) does: the kernel's per-session scheduling groups then weigh
# it apart from the programs it serves and from busy loops of another session,
# whatever their nice value. setsid keeps the PID when the shell has no job
# control, which pulse_start switches off while it starts them.
#
# Every process of the server gets this environment: the private folder as
# runtime, configuration and state folder, no session bus (a desktop's daemon
# holds the bus names the server asks for, and it would end for them or take
# the sound card from it), no display.
_pulse_server_env() {
  local d=$HG_PULSE_DIR
  HG_PULSE_ENV=(env -u DISPLAY -u WAYLAND_DISPLAY -u PIPEWIRE_REMOTE -u PIPEWIRE_CORE
                HOME="$d/state" XDG_RUNTIME_DIR="$d/runtime" XDG_CONFIG_HOME="$d/config"
                XDG_STATE_HOME="$d/state" XDG_DATA_HOME="$d/state"
                DBUS_SESSION_BUS_ADDRESS="unix:path=$d/no-session-bus")
}

# The null sink without rewinds: it reports a stream's drain done once the
# stream's end is mixed in, ahead of its playing, where a desktop's sink
# (module-alsa-sink) reports it once played. A stream that starts then would
# rewind the sink over the end of the drained one, which is never heard.
_pulse_start_pulseaudio() {
  local d=$HG_PULSE_DIR
  setsid "${HG_PULSE_ENV[@]}" PULSE_RUNTIME_PATH="$d/runtime" PULSE_STATE_PATH="$d/state" PULSE_CONFIG_PATH="$d/config" \
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit --log-target=stderr --log-level=debug --log-time \
      "--load=module-native-protocol-unix socket=\"$d/runtime/native\" auth-cookie=\"$d/cookie\"" \
      --load="module-null-sink sink_name=hg_null rate=44100 channels=2 norewinds=1" \
      --load="module-always-sink" </dev/null >"$d/daemon.log" 2>&1 &
  _pulse_pids+=($!)
}

# A PipeWire server from its own configuration only (PIPEWIRE_CONFIG_DIR and
# WIREPLUMBER_CONFIG_DIR name folder $1, nothing of /etc or a home folder is
# read): a graph clocked by the dummy driver, its PulseAudio server on socket
# $3 with the null sink $4 at $5 Hz, and WirePlumber without any device
# monitor (no sound card is ever opened), only to link streams and keep the
# default sink. $2 is its runtime folder. Every process gets the environment
# of the array pipewire_env; their PIDs are added to the array pipewire_pids.
pipewire_server_start() {
  local d=$1 runtime=$2 socket=$3 sink=$4 rate=$5
  [ -n "$d" ] && [ -n "$runtime" ] || return 1
  local wp=$d/wireplumber share=/usr/share/wireplumber
  mkdir -p -m 700 "$d" "$wp/main.lua.d" "$wp/policy.lua.d" || return 1
  cat >"$d/pipewire.conf" <<EOF
context.properties = {
    core.daemon = true
    core.name = pipewire-0
    default.clock.rate = $rate
    default.clock.allowed-rates = [ $rate ]
    # Desktops' default quantum asks for 1024 frames per cycle and lets a
    # client take it down to 32, which a busy machine's scheduler breaks: at
    # 512 to 1024 frames (12-23 ms) the graph holds beside a busy loop per
    # core as PulseAudio's buffers do.
    default.clock.quantum = 1024
    default.clock.min-quantum = 512
    default.clock.max-quantum = 2048
    support.dbus = false
    module.x11.bell = false
}
context.spa-libs = {
    audio.convert.* = audioconvert/libspa-audioconvert
    support.*       = support/libspa-support
}
context.modules = [
    { name = libpipewire-module-rt args = { nice.level = -11 } flags = [ ifexists nofail ] }
    { name = libpipewire-module-protocol-native }
    { name = libpipewire-module-metadata }
    { name = libpipewire-module-spa-node-factory }
    { name = libpipewire-module-client-node }
    { name = libpipewire-module-client-device }
    { name = libpipewire-module-access args = { } }
    { name = libpipewire-module-adapter }
    { name = libpipewire-module-link-factory }
    { name = libpipewire-module-session-manager }
]
context.objects = [
    { factory = spa-node-factory
      args = { factory.name = support.node.driver node.name = Dummy-Driver
               node.group = pipewire.dummy priority.driver = 20000 } }
    { factory = spa-node-factory
      args = { factory.name = support.node.driver node.name = Freewheel-Driver
               node.group = pipewire.freewheel priority.driver = 19000 node.freewheel = true } }
]
EOF
  # The socket's path in quotes, so that it may hold anything.
  cat >"$d/pipewire-pulse.conf" <<EOF
context.properties = {
    support.dbus = false
}
context.spa-libs = {
    audio.convert.* = audioconvert/libspa-audioconvert
    support.*       = support/libspa-support
}
context.modules = [
    { name = libpipewire-module-rt args = { nice.level = -11 } flags = [ ifexists nofail ] }
    { name = libpipewire-module-protocol-native }
    { name = libpipewire-module-client-node }
    { name = libpipewire-module-adapter }
    { name = libpipewire-module-metadata }
    { name = libpipewire-module-protocol-pulse args = { } }
]
pulse.cmd = [
    { cmd = "load-module" args = "module-null-sink sink_name=$sink rate=$rate channels=2" flags = [ ] }
    { cmd = "load-module" args = "module-always-sink" flags = [ ] }
]
pulse.properties = {
    server.address = [ "unix:$socket" ]
    # A client's small request may not take the graph below its quantum.
    pulse.min.req = 512/$rate
    pulse.min.quantum = 512/$rate
    pulse.min.frag = 512/$rate
}
EOF
  sed '/bluetooth\.lua/d' "$share/wireplumber.conf" >"$wp/wireplumber.conf" &&
    cp "$share/main.lua.d/00-functions.lua" "$share/main.lua.d/40-device-defaults.lua" "$wp/main.lua.d/" &&
    cp "$share/policy.lua.d/"*.lua "$wp/policy.lua.d/" || return 1
  printf 'load_module("metadata")\ndevice_defaults.enable()\n' >"$wp/main.lua.d/90-enable-all.lua"

  local -a pw=("${pipewire_env[@]}" PIPEWIRE_RUNTIME_DIR="$runtime" PIPEWIRE_CONFIG_DIR="$d"
               WIREPLUMBER_CONFIG_DIR="$wp")
  setsid "${pw[@]}" pipewire -c pipewire.conf </dev/null >"$d/daemon.log" 2>&1 &
  pipewire_pids+=($!)
  local daemon=$! _
  for _ in $(seq 300); do
    [ -S "$runtime/pipewire-0" ] && break
    _pulse_alive "$daemon" || return 1
    sleep 0.1
  done
  setsid "${pw[@]}" wireplumber </dev/null >"$d/session-manager.log" 2>&1 &
  pipewire_pids+=($!)
  setsid "${pw[@]}" PIPEWIRE_DEBUG=3 pipewire -c pipewire-pulse.conf </dev/null >"$d/pulse-server.log" 2>&1 &
  pipewire_pids+=($!)
}

_pulse_start_pipewire() {
  local pipewire_env=("${HG_PULSE_ENV[@]}") pipewire_pids=() rc=0
  pipewire_server_start "$HG_PULSE_DIR/config/pipewire" "$HG_PULSE_DIR/runtime" \
    "$HG_PULSE_DIR/runtime/native" hg_null 44100 || rc=1
  _pulse_pids+=("${pipewire_pids[@]}")
  return $rc
}

pulse_start() {
  _pulse_save_env
  HG_PULSE_DIR=
  _pulse_pids=()
  unset HG_PULSE_PIDS
  # Until the private server runs, no server at all: never the user's.
  export PULSE_SERVER=unix:/nonexistent/hg-no-private-server
  HG_PULSE_KIND=$(pulse_server_kind) || return 1
  local missing
  missing=$(pulse_server_missing "$HG_PULSE_KIND")
  if [ -n "$missing" ]; then
    echo "$HG_PULSE_KIND: missing $(echo $missing) (scripts/install-deps.sh): the audio tests have no device"
    return 1
  fi
  HG_PULSE_DIR=$(mktemp -d /tmp/hg-XXXXXX) || { echo "$HG_PULSE_KIND: no private folder could be made in /tmp"; return 1; }
  mkdir -m 700 "$HG_PULSE_DIR/runtime" "$HG_PULSE_DIR/state" "$HG_PULSE_DIR/config"
  head -c 256 /dev/urandom > "$HG_PULSE_DIR/cookie"
  printf 'autospawn = no\ndefault-server = unix:%s\ncookie-file = %s\n' \
    "$HG_PULSE_DIR/runtime/native" "$HG_PULSE_DIR/cookie" > "$HG_PULSE_DIR/client.conf"
  export PULSE_SERVER=unix:$HG_PULSE_DIR/runtime/native
  export PULSE_COOKIE=$HG_PULSE_DIR/cookie
  export PULSE_CLIENTCONFIG=$HG_PULSE_DIR/client.conf
  _pulse_server_env
  local monitor=
  [[ $- != *m* ]] || { monitor=1; set +m; }
  "_pulse_start_$HG_PULSE_KIND" || true
  [ -z "$monitor" ] || set -m
  export HG_PULSE_PIDS="${_pulse_pids[*]}"
  # A busy machine may take long to start it; a process of it that ended
  # ends the wait.
  local _ pid ended=
  for _ in $(seq 300); do
    pulse_check && break
    for pid in "${_pulse_pids[@]}"; do _pulse_alive "$pid" || ended=$pid; done
    [ -z "$ended" ] || break
    LC_ALL=C pactl set-default-sink hg_null >/dev/null 2>&1 || true
    sleep 0.1
  done
  if ! pulse_check; then
    echo "$HG_PULSE_KIND: the private server did not start; nothing will be played on another server"
    local log
    for log in "$HG_PULSE_DIR"/*.log "$HG_PULSE_DIR"/config/pipewire/*.log; do
      [ -s "$log" ] && tail -n 20 "$log" | sed "s|^|  $(basename "$log" .log): |"
    done
    return 1
  fi
  echo "$HG_PULSE_KIND: private server (PIDs ${_pulse_pids[*]}), null sink hg_null at 44100 Hz ($PULSE_SERVER)"
}

# The server this shell reaches is the private one: its socket, every process
# of it running, with hg_null at 44100 Hz as the default sink.
pulse_check() {
  [ -n "${HG_PULSE_DIR:-}" ] && [ ${#_pulse_pids[@]} -gt 0 ] || return 1
  local pid
  for pid in "${_pulse_pids[@]}"; do _pulse_alive "$pid" || return 1; done
  [ "${PULSE_SERVER:-}" = "unix:$HG_PULSE_DIR/runtime/native" ] && [ -S "$HG_PULSE_DIR/runtime/native" ] || return 1
  local info sinks
  info=$(LC_ALL=C pactl info 2>/dev/null) || return 1
  grep -qxF "Server String: $HG_PULSE_DIR/runtime/native" <<<"$info" ||
    grep -qxF "Server String: unix:$HG_PULSE_DIR/runtime/native" <<<"$info" || return 1
  grep -qx "Default Sink: hg_null" <<<"$info" || return 1
  sinks=$(LC_ALL=C pactl list short sinks 2>/dev/null) || return 1
  # PulseAudio names the sink's module, PipeWire itself.
  awk -F '\t' '$2 == "hg_null" && ($3 == "module-null-sink.c" || $3 == "PipeWire") && $4 ~ / 44100Hz$/ { found = 1 }
               END { exit !found }' <<<"$sinks"
}

# Ends the server's processes newest first (the PulseAudio server before the
# graph it feeds), each by its PID: asked first, forced after 5 s.
pulse_stop() {
  local i pid _
  for ((i = ${#_pulse_pids[@]} - 1; i >= 0; i--)); do
    pid=${_pulse_pids[i]}
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 50); do _pulse_alive "$pid" || break; sleep 0.1; done
    ! _pulse_alive "$pid" || kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  _pulse_pids=()
  unset HG_PULSE_PIDS
  if [ -n "${HG_PULSE_DIR:-}" ]; then
    rm -rf "$HG_PULSE_DIR"
    HG_PULSE_DIR=
  fi
  _pulse_restore_env
}
