#!/usr/bin/env bash
# Installs what is missing, builds the suite with AddressSanitizer and
# UndefinedBehaviorSanitizer, runs every test (with a private sound server and
# its null sink for real audio output), checks that this audio path leaves a
# desktop session's own sound server alone, runs the play tests again on each
# other private sound server, then runs every test again in an optimised build
# without sanitizers, the ThreadSanitizer stage and a short fuzzing run.
#
#   scripts/test.sh            everything
#   HG_SKIP_INSTALL=1          do not call apt-get
#   HG_SKIP_RELEASE=1 / HG_SKIP_TSAN=1 / HG_SKIP_FUZZ=1 / HG_SKIP_AUDIO_CHECK=1
#                              leave out those stages
#   HG_AUDIO_SERVERS="pulseaudio pipewire"
#                              the private servers the play tests run on, each
#                              one required; the first carries the test stages
#                              (default: each one installed, PulseAudio first)
#   HG_FUZZ_SECONDS=N          time per fuzz target (default 20)
#   HG_JOBS=N                  parallel compile jobs (default: all cores)
#
# Ctrl+C (or TERM) ends the whole run: each stage runs in a process group of
# its own that is ended with it, the private sound server by its PIDs. The
# run's temporary files all land in one folder under TMPDIR, removed whenever
# the run ends.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc)
build_jobs=${HG_JOBS:-$jobs}

source scripts/pulse-null-sink.sh
run_tmp=$(mktemp -d "${TMPDIR:-/tmp}/hg-run.XXXXXX")
stage_group=

# A process of the group that has not ended.
group_alive() {
  ps -e -o pgid=,stat= | awk -v g="$1" '$1 == g && $2 !~ /^Z/ { found = 1 } END { exit !found }'
}
# Runs a command as a stage: in a process group of its own, so that ending the
# run ends all it started, whatever signals its processes ignore.
stage() {
  setsid "$@" </dev/null &
  stage_group=$!
  local rc=0
  wait "$stage_group" || rc=$?
  stage_group=
  return "$rc"
}
# The same, its output also written to a log.
logged_stage() {
  local log=$1
  shift
  stage bash -c '"${@:2}" 2>&1 | tee "$1"; exit "${PIPESTATUS[0]}"' _ "$log" "$@"
}
end_stage() {
  [ -n "$stage_group" ] || return 0
  kill -TERM -- "-$stage_group" 2>/dev/null || true
  local _
  for _ in $(seq 100); do group_alive "$stage_group" || break; sleep 0.1; done
  kill -KILL -- "-$stage_group" 2>/dev/null || true
  wait "$stage_group" 2>/dev/null || true
  stage_group=
}
finish() {
  end_stage
  pulse_stop
  rm -rf "$run_tmp"
}
trap finish EXIT
trap 'echo "== Interrupted: the run ends =="; exit 130' INT
trap 'exit 143' TERM
export TMPDIR=$run_tmp

# In the foreground: sudo may ask for a password.
[ "${HG_SKIP_INSTALL:-0}" = 1 ] || bash scripts/install-deps.sh

export QT_QPA_PLATFORM=offscreen
# Leak checking stays on: the third-party leaks are suppressed by defaults
# compiled into the executables, so plain ctest behaves the same.
export ASAN_OPTIONS="abort_on_error=1:halt_on_error=1:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"
# Tests that need a real output device fail instead of skipping when this is set.
export HG_REQUIRE_AUDIO=1
# As root (as CI runs), the real-time tests fail instead of skipping too: the
# direct request, and an ordinary user's through a private RealtimeKit. An
# ordinary user cannot start that RealtimeKit; for one, those tests skip.
[ "$(id -u)" -ne 0 ] || export HG_REQUIRE_REALTIME=1
# The tests that play through the real output device and judge what it heard.
play_tests='^(RealTime\.|PlaybackContinuity\.|MainWindowPlayback\.)'

read -r -a servers <<<"${HG_AUDIO_SERVERS:-}"
if [ ${#servers[@]} -eq 0 ]; then
  for server in pulseaudio pipewire; do
    [ -n "$(pulse_server_missing "$server")" ] || servers+=("$server")
  done
  [ ${#servers[@]} -gt 0 ] || servers=(pulseaudio)
fi

status=0
# The play tests sound only into the private server's null sink. Without it
# they fail (HG_REQUIRE_AUDIO) rather than play anywhere else: PULSE_SERVER
# names the private socket whether the server runs or not.
if ! HG_AUDIO_SERVER=${servers[0]} pulse_start; then
  echo "== Audio: no private ${servers[0]} server; the play tests fail, nothing is played on another server =="
  status=1
fi
# Before each test stage: the server in use is still the private one.
audio_ready() {
  pulse_check && return 0
  echo "== Audio: the server in use is not the private one; the play tests fail =="
  status=1
}
rm -f build-*/ctest*.log

echo "== Build (ASan + UBSan) =="
stage cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DHG_SANITIZE=ON -DHG_BUILD_TESTS=ON
stage cmake --build build-asan -j "$build_jobs"

echo "== Tests (ASan + UBSan) =="
audio_ready
logged_stage build-asan/ctest.log ctest --test-dir build-asan --output-on-failure -j "$jobs" --timeout 300 || status=1

if [ "${HG_SKIP_AUDIO_CHECK:-0}" != 1 ]; then
  echo "== Audio path beside a desktop session's sound server =="
  stage bash scripts/check-private-audio.sh build-asan || status=1
fi

# The play tests again on each other server, so that both that desktops run
# are tested: Debian's GNOME runs PipeWire, others PulseAudio.
for server in "${servers[@]:1}"; do
  echo "== Play tests (ASan + UBSan) on a private $server server =="
  pulse_stop
  if HG_AUDIO_SERVER=$server pulse_start && audio_ready; then
    logged_stage "build-asan/ctest-$server.log" \
      ctest --test-dir build-asan --output-on-failure -R "$play_tests" --timeout 300 || status=1
  else
    echo "== Audio: no private $server server; its play tests fail =="
    status=1
  fi
  pulse_stop
  HG_AUDIO_SERVER=${servers[0]} pulse_start || status=1
done

# The same suite in the optimised build users get, so that no test depends on
# sanitizer timing or on code the optimiser may remove.
if [ "${HG_SKIP_RELEASE:-0}" != 1 ]; then
  echo "== Tests (Release) =="
  stage cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DHG_BUILD_TESTS=ON
  stage cmake --build build-release -j "$build_jobs"
  audio_ready
  logged_stage build-release/ctest.log ctest --test-dir build-release --output-on-failure -j "$jobs" --timeout 300 || status=1
fi

if [ "${HG_SKIP_TSAN:-0}" != 1 ]; then
  echo "== Engine tests (ThreadSanitizer) =="
  stage cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DHG_TSAN=ON -DHG_BUILD_TESTS=ON
  stage cmake --build build-tsan -j "$build_jobs" --target tsan_tests
  TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1" logged_stage build-tsan/ctest.log \
    ctest --test-dir build-tsan --output-on-failure -L tsan -j "$jobs" --timeout 600 --no-tests=ignore || status=1
fi

if [ "${HG_SKIP_FUZZ:-0}" != 1 ]; then
  echo "== Fuzzing (libFuzzer, clang) =="
  CC=clang-14 CXX=clang++-14 stage cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DHG_FUZZ=ON -DHG_BUILD_TESTS=OFF
  stage cmake --build build-fuzz -j "$build_jobs" --target fuzzers
  seconds=${HG_FUZZ_SECONDS:-20}
  for f in build-fuzz/fuzzers/*; do
    [ -x "$f" ] || continue
    name=$(basename "$f")
    corpus=build-fuzz/corpus/$name
    mkdir -p "$corpus"
    seeds=()
    [ -d "build-fuzz/seeds/$name" ] && seeds=("build-fuzz/seeds/$name")
    echo "-- $name for ${seconds}s"
    if ! stage bash -c 'exec "${@:2}" >"$1" 2>&1' _ "build-fuzz/$name.log" \
         "$f" -artifact_prefix="build-fuzz/" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 "$corpus" "${seeds[@]}"; then
      tail -n 60 "build-fuzz/$name.log"
      status=1
    else
      # The run's summary ("Done N runs"); the leak checker may print its
      # list of used suppressions after it.
      grep -E "^Done [0-9]+ runs" "build-fuzz/$name.log" | tail -n 1 || tail -n 1 "build-fuzz/$name.log"
    fi
  done
fi

# One closing line over the test stages, in the plain "N passed, N failed" form.
passed=0; failed=0
for log in build-asan/ctest.log build-asan/ctest-*.log build-release/ctest.log build-tsan/ctest.log; do
  [ -f "$log" ] || continue
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1) || true
  [ -n "$line" ] || { failed=$((failed + 1)); continue; }
  total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
  bad=$(sed -E 's/.* ([0-9]+) tests failed.*/\1/' <<<"$line")
  passed=$((passed + total - bad)); failed=$((failed + bad))
done
[ "$status" -eq 0 ] || [ "$failed" -gt 0 ] || failed=1
echo "tests: $passed passed, $failed failed"
exit $status
