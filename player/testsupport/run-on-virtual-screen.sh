#!/usr/bin/env bash
# Runs a test program on a private virtual X screen (Xvfb) of a given size,
# for window tests that need a real screen other than the offscreen
# platform's fixed 800 x 600. The X server picks a free display itself, so
# parallel runs do not collide. When openbox is installed it manages the
# screen, so that windows get the title bar and borders of a desktop; it gets
# a private home, so it reads and writes nothing of the user's. Both end with
# the program.
#
#   run-on-virtual-screen.sh WIDTHxHEIGHT program [arguments...]
set -euo pipefail
size=$1
shift
command -v Xvfb >/dev/null || { echo "run-on-virtual-screen: Xvfb is missing; run scripts/install-deps.sh" >&2; exit 1; }

dir=$(mktemp -d)
server=
manager=
stop() {
  [ -n "$1" ] || return 0
  kill "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}
cleanup() {
  stop "$manager"
  stop "$server"
  rm -rf "$dir"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$dir/display" 2>"$dir/server.log" &
server=$!
for _ in $(seq 300); do
  [ -s "$dir/display" ] && break
  kill -0 "$server" 2>/dev/null || break
  sleep 0.1
done
display=$(head -n 1 "$dir/display" 2>/dev/null || true)
if [ -z "$display" ]; then
  echo "run-on-virtual-screen: Xvfb did not start" >&2
  cat "$dir/server.log" >&2
  exit 1
fi

# openbox runs its start-up command once it manages the screen; a window
# mapped before that would get its frame late.
if command -v openbox >/dev/null; then
  mkdir -p "$dir/home"
  DISPLAY=":$display" HOME="$dir/home" XDG_CONFIG_HOME="$dir/home/.config" XDG_CACHE_HOME="$dir/home/.cache" \
    XDG_DATA_HOME="$dir/home/.local/share" \
    openbox --sm-disable --startup "touch $dir/managing" >"$dir/manager.log" 2>&1 &
  manager=$!
  for _ in $(seq 300); do
    [ -e "$dir/managing" ] && break
    kill -0 "$manager" 2>/dev/null || break
    sleep 0.1
  done
  if [ ! -e "$dir/managing" ]; then
    echo "run-on-virtual-screen: openbox did not start" >&2
    cat "$dir/manager.log" >&2
    exit 1
  fi
fi

# No GL: the window needs none, and the GL driver's allocations would reach
# the leak checker.
DISPLAY=":$display" QT_QPA_PLATFORM=xcb QT_XCB_GL_INTEGRATION=none "$@"
