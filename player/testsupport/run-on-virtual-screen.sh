#!/usr/bin/env bash
# Runs a test program on a private virtual X screen (Xvfb) of a given size,
# for window tests that need a real screen other than the offscreen
# platform's fixed 800 x 600. The X server picks a free display itself, so
# parallel runs do not collide; it ends with the program.
#
#   run-on-virtual-screen.sh WIDTHxHEIGHT program [arguments...]
set -euo pipefail
size=$1
shift
command -v Xvfb >/dev/null || { echo "run-on-virtual-screen: Xvfb is missing; run scripts/install-deps.sh" >&2; exit 1; }

dir=$(mktemp -d)
server=
cleanup() {
  [ -z "$server" ] || { kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; }
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

# No GL: the window needs none, and the GL driver's allocations would reach
# the leak checker.
DISPLAY=":$display" QT_QPA_PLATFORM=xcb QT_XCB_GL_INTEGRATION=none "$@"
