#!/usr/bin/env bash
# Installs what is missing, builds the suite with AddressSanitizer and
# UndefinedBehaviorSanitizer, runs every test (with a private PulseAudio
# daemon and its null sink for real audio output), checks that this audio
# path leaves a desktop session's own sound server alone, then runs every
# test again in an optimised build without sanitizers, the ThreadSanitizer
# stage and a short fuzzing run.
#
#   scripts/test.sh            everything
#   HG_SKIP_INSTALL=1          do not call apt-get
#   HG_SKIP_RELEASE=1 / HG_SKIP_TSAN=1 / HG_SKIP_FUZZ=1 / HG_SKIP_AUDIO_CHECK=1
#                              leave out those stages
#   HG_FUZZ_SECONDS=N          time per fuzz target (default 20)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc)

[ "${HG_SKIP_INSTALL:-0}" = 1 ] || bash scripts/install-deps.sh

export QT_QPA_PLATFORM=offscreen
# Leak checking stays on: the third-party leaks are suppressed by defaults
# compiled into the executables, so plain ctest behaves the same.
export ASAN_OPTIONS="abort_on_error=1:halt_on_error=1:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"
# Tests that need a real output device fail instead of skipping when this is set.
export HG_REQUIRE_AUDIO=1

status=0
# The play tests sound only into the private daemon's null sink. Without it
# they fail (HG_REQUIRE_AUDIO) rather than play anywhere else: PULSE_SERVER
# names the private socket whether the daemon runs or not.
source scripts/pulse-null-sink.sh
trap pulse_stop EXIT
if ! pulse_start; then
  echo "== Audio: no private PulseAudio daemon; the play tests fail, nothing is played on another server =="
  status=1
fi
# Before each test stage: the server in use is still the private one.
audio_ready() {
  pulse_check && return 0
  echo "== Audio: the server in use is not the private daemon; the play tests fail =="
  status=1
}
rm -f build-asan/ctest.log build-release/ctest.log build-tsan/ctest.log

echo "== Build (ASan + UBSan) =="
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DHG_SANITIZE=ON -DHG_BUILD_TESTS=ON
cmake --build build-asan -j "$jobs"

echo "== Tests (ASan + UBSan) =="
audio_ready
(cd build-asan && ctest --output-on-failure -j "$jobs" --timeout 300) 2>&1 | tee build-asan/ctest.log || status=1

if [ "${HG_SKIP_AUDIO_CHECK:-0}" != 1 ]; then
  echo "== Audio path beside a desktop session's sound server =="
  bash scripts/check-private-audio.sh build-asan || status=1
fi

# The same suite in the optimised build users get, so that no test depends on
# sanitizer timing or on code the optimiser may remove.
if [ "${HG_SKIP_RELEASE:-0}" != 1 ]; then
  echo "== Tests (Release) =="
  cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DHG_BUILD_TESTS=ON
  cmake --build build-release -j "$jobs"
  audio_ready
  (cd build-release && ctest --output-on-failure -j "$jobs" --timeout 300) 2>&1 | tee build-release/ctest.log || status=1
fi

if [ "${HG_SKIP_TSAN:-0}" != 1 ]; then
  echo "== Engine tests (ThreadSanitizer) =="
  cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DHG_TSAN=ON -DHG_BUILD_TESTS=ON
  cmake --build build-tsan -j "$jobs" --target tsan_tests
  (cd build-tsan && TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1" \
     ctest --output-on-failure -L tsan -j "$jobs" --timeout 600 --no-tests=ignore) 2>&1 | tee build-tsan/ctest.log || status=1
fi

if [ "${HG_SKIP_FUZZ:-0}" != 1 ]; then
  echo "== Fuzzing (libFuzzer, clang) =="
  CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DHG_FUZZ=ON -DHG_BUILD_TESTS=OFF
  cmake --build build-fuzz -j "$jobs" --target fuzzers
  seconds=${HG_FUZZ_SECONDS:-20}
  for f in build-fuzz/fuzzers/*; do
    [ -x "$f" ] || continue
    name=$(basename "$f")
    corpus=build-fuzz/corpus/$name
    mkdir -p "$corpus"
    seeds=()
    [ -d "build-fuzz/seeds/$name" ] && seeds=("build-fuzz/seeds/$name")
    echo "-- $name for ${seconds}s"
    if ! "$f" -artifact_prefix="build-fuzz/" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 "$corpus" "${seeds[@]}" \
         > "build-fuzz/$name.log" 2>&1; then
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
for log in build-asan/ctest.log build-release/ctest.log build-tsan/ctest.log; do
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
