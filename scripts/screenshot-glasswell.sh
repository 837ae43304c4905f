#!/usr/bin/env bash
# Takes a screenshot of the real Glasswell on a virtual X display (Xvfb), for
# a person to look at: builds what is missing, starts a PulseAudio null sink
# so the player finds an output device, starts Glasswell, waits, grabs the
# screen and ends both.
#
#   scripts/screenshot-glasswell.sh [out.png]      default: glasswell-screenshot.png
#   HG_BUILD_DIR=build                             build tree to use (default: build)
#   HG_SCREENSHOT_DELAY=8000                       ms between start and grab
#   HG_SCREENSHOT_SCREEN=800x900                   size of the virtual screen in pixels
#   QT_FONT_DPI=144, QT_SCALE_FACTOR=2             other resolutions and densities, as Qt reads them
#   HG_JOBS=N                                      parallel compile jobs (default: all cores)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
out=$(realpath -m "${1:-glasswell-screenshot.png}")
build=${HG_BUILD_DIR:-build}
delay=${HG_SCREENSHOT_DELAY:-8000}
screen=${HG_SCREENSHOT_SCREEN:-800x900}
jobs=${HG_JOBS:-$(nproc)}

fail() { echo "screenshot-glasswell: $*" >&2; exit 1; }
# A build folder that does not exist yet simply holds nothing (find would
# fail, and under pipefail end the script before anything is built).
find_exe() {
  [ -d "$build" ] || return 0
  find "$build" -type f -name "$1" -perm -u+x 2>/dev/null | head -n 1 || true
}

for tool in cmake xvfb-run; do
  command -v "$tool" >/dev/null || fail "$tool is missing; run scripts/install-deps.sh first"
done

exe=$(find_exe Glasswell)
shot=$(find_exe glasswell_screenshot)
if [ -z "$exe" ] || [ -z "$shot" ]; then
  echo "screenshot-glasswell: building Glasswell in $build"
  if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHG_BUILD_TESTS=OFF ||
      fail "configuring $build failed"
  fi
  cmake --build "$build" -j "$jobs" --target Glasswell glasswell_screenshot || fail "building failed"
  exe=$(find_exe Glasswell)
  shot=$(find_exe glasswell_screenshot)
  [ -n "$exe" ] && [ -n "$shot" ] || fail "the build in $build made no Glasswell or glasswell_screenshot"
fi

source scripts/pulse-null-sink.sh
trap pulse_stop EXIT
pulse_start || echo "screenshot-glasswell: no private sound server; Glasswell starts without an output device"

unset QT_QPA_PLATFORM
xvfb-run -a -s "-screen 0 ${screen}x24" bash -c '
  "$1" & app=$!
  "$2" "$3" "$4"; status=$?
  kill "$app" 2>/dev/null || true
  wait "$app" 2>/dev/null || true
  exit $status' _ "$exe" "$shot" "$out" "$delay" || fail "the screen could not be grabbed"
echo "screenshot: $out"
