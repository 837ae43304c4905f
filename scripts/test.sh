#!/usr/bin/env bash
# Installs what is missing, builds the suite with AddressSanitizer and
# UndefinedBehaviorSanitizer, runs every test (with a PulseAudio null sink for
# real audio output), then every test again in an optimised build without
# sanitizers, the ThreadSanitizer stage and a short fuzzing run.
#
#   scripts/test.sh            everything
#   HG_SKIP_INSTALL=1          do not call apt-get
#   HG_SKIP_RELEASE=1 / HG_SKIP_TSAN=1 / HG_SKIP_FUZZ=1   leave out those stages
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

source scripts/pulse-null-sink.sh
pulse_start
trap pulse_stop EXIT

status=0
rm -f build-asan/ctest.log build-release/ctest.log build-tsan/ctest.log

echo "== Build (ASan + UBSan) =="
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DHG_SANITIZE=ON -DHG_BUILD_TESTS=ON
cmake --build build-asan -j "$jobs"

echo "== Tests (ASan + UBSan) =="
(cd build-asan && ctest --output-on-failure -j "$jobs" --timeout 300) 2>&1 | tee build-asan/ctest.log || status=1

# The same suite in the optimised build users get, so that no test depends on
# sanitizer timing or on code the optimiser may remove.
if [ "${HG_SKIP_RELEASE:-0}" != 1 ]; then
  echo "== Tests (Release) =="
  cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DHG_BUILD_TESTS=ON
  cmake --build build-release -j "$jobs"
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
