#!/usr/bin/env bash
# Runs a test program on a private virtual X screen (Xvfb) of a given size,
# for window tests that need a real screen other than the offscreen
# platform's fixed 800 x 600. The X server picks a free display itself, so
# parallel runs do not collide. When openbox is installed it manages the
# screen, so that windows get the title bar and borders of a desktop; it gets
# a private home, so it reads and writes nothing of the user's. Both end with
# the program. Only holders of a fresh cookie may connect to the screen
# (-auth): another local user could otherwise read and type into the test
# windows. The program gets it through XAUTHORITY.
#
#   run-on-virtual-screen.sh WIDTHxHEIGHT program [arguments...]
set -euo pipefail
size=$1
shift
for tool in Xvfb xauth; do
  command -v "$tool" >/dev/null || { echo "run-on-virtual-screen: $tool is missing; run scripts/install-deps.sh" >&2; exit 1; }
done

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
trap 'exit 130' INT
trap 'exit 143' TERM

# The server takes every cookie of its file whatever display it names; the
# clients' file names the display the server picked.
cookie=$(od -An -N16 -tx1 /dev/urandom | tr -d ' \n')
(umask 077 && : >"$dir/server-auth" && : >"$dir/xauthority")
xauth -q -f "$dir/server-auth" add :0 . "$cookie"
Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -auth "$dir/server-auth" 3>"$dir/display" 2>"$dir/server.log" &
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
export XAUTHORITY=$dir/xauthority
xauth -q -f "$XAUTHORITY" add ":$display" . "$cookie"

# openbox runs its start-up command once it manages the screen; a window
# mapped before that would get its frame late. It splits the command as a
# shell would, so the folder's name is quoted (TMPDIR may hold blanks).
if command -v openbox >/dev/null; then
  mkdir -p "$dir/home"
  DISPLAY=":$display" HOME="$dir/home" XDG_CONFIG_HOME="$dir/home/.config" XDG_CACHE_HOME="$dir/home/.cache" \
    XDG_DATA_HOME="$dir/home/.local/share" \
    openbox --sm-disable --startup "touch $(printf %q "$dir/managing")" >"$dir/manager.log" 2>&1 &
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
