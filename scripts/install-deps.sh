#!/usr/bin/env bash
# Installs every Debian package the suite needs to build, run and test.
# Safe to run again: apt-get skips what is already there.
#
# It never removes a package. The plan is simulated first and refused, with
# the packages it would remove, when it removes any; apt-get then runs with
# --no-remove as well.
#
# The private test sound server (scripts/pulse-null-sink.sh) is PulseAudio,
# or PipeWire where that is the machine's sound server: pipewire-pulse or
# pipewire-audio installed, or pulseaudio not installable beside what is there
# (on Debian 12's GNOME, pipewire-audio conflicts with it and gnome-core
# depends on that). HG_AUDIO_SERVERS="pulseaudio pipewire" asks for both, as
# CI does. The PipeWire server needs no pipewire-pulse: its PulseAudio part
# runs from pipewire's own modules, and pipewire-pulse's user service would
# claim a PulseAudio desktop's socket.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  qtbase5-dev qtbase5-dev-tools qttools5-dev-tools libqt5svg5-dev
  librtaudio-dev libasound2-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang-14 libclang-rt-14-dev
  pulseaudio-utils
  fonts-liberation
  fonts-ipafont-gothic
  xvfb xauth openbox
  openssl libssl-dev ca-certificates python3 curl
  ruby unzip
  dbus dbus-daemon
  # RealtimeKit, which grants an ordinary user's audio threads real-time; a
  # test runs it on a private system bus.
  rtkit polkitd util-linux
  # Compiler cache: the test command's four trees, and clones of the tree on
  # one machine, share the compiled objects.
  ccache
  # Locale sources and localedef: a test compiles a decimal-comma locale for
  # itself where the machine has generated none.
  locales
)
pulseaudio_packages=(pulseaudio)
pipewire_packages=(pipewire pipewire-bin libpipewire-0.3-modules wireplumber)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive LC_ALL=C

# Installed as apt sees it (the dpkg status file apt is configured with).
eval "$(apt-config shell dpkg_status Dir::State::status/f)"
installed() {
  dpkg-query --admindir="$(dirname "${dpkg_status:-/var/lib/dpkg/status}")" -W -f='${Status}' "$1" 2>/dev/null |
    grep -q "install ok installed"
}
# The packages apt-get would remove to install these, one a line.
removals() {
  { apt-get install -s --no-install-recommends "$@" 2>/dev/null || true; } | awk '$1 == "Remv" { print $2 }'
}

updated=0
update_once() {
  [ "$updated" = 1 ] || "${sudo_cmd[@]}" apt-get update
  updated=1
}

read -r -a servers <<<"${HG_AUDIO_SERVERS:-}"
if [ ${#servers[@]} -eq 0 ]; then
  if installed pipewire-pulse || installed pipewire-audio; then
    servers=(pipewire)
  elif installed pulseaudio; then
    servers=(pulseaudio)
  else
    update_once
    if [ -n "$(removals pulseaudio)" ]; then servers=(pipewire); else servers=(pulseaudio); fi
  fi
fi
for server in "${servers[@]}"; do
  case "$server" in
    pulseaudio) packages+=("${pulseaudio_packages[@]}") ;;
    pipewire) packages+=("${pipewire_packages[@]}") ;;
    *) echo "install-deps: HG_AUDIO_SERVERS names $server; only pulseaudio and pipewire" >&2; exit 1 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present (sound server for the tests: ${servers[*]})"
  exit 0
fi

update_once
removed=$(removals "${missing[@]}")
if [ -n "$removed" ]; then
  echo "install-deps: installing ${missing[*]} would remove $(echo $removed)." >&2
  echo "install-deps: nothing was installed; this script never removes a package." >&2
  case " ${missing[*]} " in
    *" pulseaudio "*)
      echo "install-deps: this machine's sound server is PipeWire, and PulseAudio cannot be installed beside it." >&2
      echo "install-deps: run the tests on a private PipeWire only: HG_AUDIO_SERVERS=pipewire bash scripts/test.sh" >&2
      echo "install-deps: (or HG_AUDIO_SERVERS=pipewire bash .ci/run); CI's machine has both servers and tests both." >&2
      ;;
  esac
  exit 1
fi
echo "install-deps: installing ${missing[*]} (sound server for the tests: ${servers[*]})"
"${sudo_cmd[@]}" apt-get install -y --no-install-recommends --no-remove "${missing[@]}"
