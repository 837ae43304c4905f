#!/usr/bin/env bash
# Installs what is missing, builds the suite with AddressSanitizer and
# UndefinedBehaviorSanitizer, runs every test (with a private sound server and
# its null sink for real audio output), checks that this audio path leaves a
# desktop session's own sound server alone, runs the play tests again on each
# other private sound server, then runs every test but the play tests again in
# an optimised build without sanitizers, the ThreadSanitizer stage and a short
# fuzzing run. The optimised, ThreadSanitizer and fuzzing trees are built at
# the lowest CPU priority while the tests of the first tree run, so that the
# tests keep the CPU they want and the builds take what is left. Each stage
# prints its time at its end; the last line counts the tests of all stages.
#
#   scripts/test.sh            everything
#   HG_SKIP_INSTALL=1          do not call apt-get
#   HG_SKIP_RELEASE=1 / HG_SKIP_TSAN=1 / HG_SKIP_FUZZ=1 / HG_SKIP_AUDIO_CHECK=1
#                              leave out those stages
#   HG_AUDIO_SERVERS="pulseaudio pipewire"
#                              the private servers the play tests run on, each
#                              one required; the first carries the test stages
#                              (default: each one installed, PulseAudio first)
#   HG_FUZZ_SECONDS=N          time per fuzz target (default 20); the targets
#                              run side by side, one per core
#   HG_JOBS=N                  parallel compile jobs (default: all cores)
#   HG_CCACHE=0                compile without ccache (default: with it where
#                              installed; its cache is ccache's own, CCACHE_DIR)
#
# Ctrl+C (or TERM) ends the whole run: each stage runs in a process group of
# its own that is ended with it, as are the builds in the background, and the
# private sound server by its PIDs. The run's temporary files all land in one
# folder under TMPDIR, removed whenever the run ends, and so are the tests'
# short socket folders in /tmp, which carry the run's name.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc)
build_jobs=${HG_JOBS:-$jobs}

source scripts/pulse-null-sink.sh
run_tmp=$(mktemp -d "${TMPDIR:-/tmp}/hg-run.XXXXXX")
# Glasswell's test processes name their socket folders in /tmp after it
# (/tmp/glasswell-test-hg-run.XXXXXX-XXXXXX); a test ended by Ctrl+C leaves
# its folder for the end of the run to remove.
export HG_TEST_RUN=${run_tmp##*/}
stage_group=
background_group=

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
end_group() {
  [ -n "$1" ] || return 0
  kill -TERM -- "-$1" 2>/dev/null || true
  local _
  for _ in $(seq 100); do group_alive "$1" || break; sleep 0.1; done
  kill -KILL -- "-$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}
finish() {
  end_group "$stage_group"
  stage_group=
  end_group "$background_group"
  background_group=
  pulse_stop
  rm -rf "$run_tmp"
  find /tmp -maxdepth 1 -type d -name "glasswell-test-$HG_TEST_RUN-*" -user "$(id -u)" \
    -exec rm -rf {} + 2>/dev/null || true
}
trap finish EXIT
trap 'echo "== Interrupted: the run ends =="; exit 130' INT
trap 'exit 143' TERM

# Each stage's time, printed at its end.
stage_name=
stage_start=0
begin() {
  took
  stage_name=$1
  stage_start=$SECONDS
  echo "== $1 =="
}
took() {
  [ -n "$stage_name" ] || return 0
  local s=$((SECONDS - stage_start))
  echo "== $stage_name took $((s / 60)) min $((s % 60)) s =="
  stage_name=
}

export TMPDIR=$run_tmp

# In the foreground: sudo may ask for a password.
if [ "${HG_SKIP_INSTALL:-0}" != 1 ]; then
  begin "Install"
  bash scripts/install-deps.sh
fi

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

# ccache where installed, with paths taken relative to the tree, so that
# other clones and worktrees of it on this machine share the cache.
launcher=(-DCMAKE_C_COMPILER_LAUNCHER= -DCMAKE_CXX_COMPILER_LAUNCHER=)
if [ "${HG_CCACHE:-1}" != 0 ] && command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
  # ccache's temporaries go below the run's folder, removed with it, not
  # into a desktop session's runtime folder (its default).
  export CCACHE_TEMPDIR=$run_tmp/ccache-tmp
fi
# The compilers run in the C locale: ccache hashes the locale, so that a
# build under another language would miss every object the cache holds.
build_env=(env LC_ALL=C)

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

begin "Build (ASan + UBSan)"
stage "${build_env[@]}" cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DHG_SANITIZE=ON -DHG_BUILD_TESTS=ON "${launcher[@]}" >/dev/null
stage "${build_env[@]}" cmake --build build-asan -j "$build_jobs"

# The other trees: configured now, built in the background at the lowest
# priority, one after another, each one's output in its build.log.
later=()
if [ "${HG_SKIP_RELEASE:-0}" != 1 ]; then
  stage "${build_env[@]}" cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DHG_BUILD_TESTS=ON "${launcher[@]}" >/dev/null
  later+=(build-release:all)
fi
if [ "${HG_SKIP_TSAN:-0}" != 1 ]; then
  stage "${build_env[@]}" cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DHG_TSAN=ON -DHG_BUILD_TESTS=ON "${launcher[@]}" >/dev/null
  later+=(build-tsan:tsan_tests)
fi
if [ "${HG_SKIP_FUZZ:-0}" != 1 ]; then
  CC=clang-14 CXX=clang++-14 stage "${build_env[@]}" cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DHG_FUZZ=ON -DHG_BUILD_TESTS=OFF "${launcher[@]}" >/dev/null
  later+=(build-fuzz:fuzzers)
fi
if [ ${#later[@]} -gt 0 ]; then
  setsid nice -n 19 "${build_env[@]}" bash -c '
    marks=$1 jobs=$2
    shift 2
    for tree in "$@"; do
      dir=${tree%%:*}
      start=$SECONDS rc=0
      cmake --build "$dir" -j "$jobs" --target "${tree#*:}" >"$dir/build.log" 2>&1 || rc=$?
      echo "$rc $((SECONDS - start))" >"$marks/built-$dir"
    done' _ "$run_tmp" "$build_jobs" "${later[@]}" </dev/null >/dev/null 2>&1 &
  background_group=$!
fi
# CTest prints no output of a test that skipped, so the reasons the tests of
# the last ctest run in build tree $1 gave for skipping are printed from its
# log, one line each: "-- Skipped: NAME: REASON".
print_skips() {
  local log=$1/Testing/Temporary/LastTest.log
  [ -f "$log" ] || return 0
  awk '
    /^[0-9]+\/[0-9]+ Test: / { name = $3; reason = ""; taking = 0; next }
    /^\[  SKIPPED \]/ { taking = 0; next }
    taking { if ($0 != "") reason = reason (reason == "" ? "" : " ") $0; next }
    /^skipped: / { if (reason == "") reason = substr($0, 10); next }
    /: Skipped$/ { taking = 1; next }
    /^Skip regular expression found in output/ { print "-- Skipped: " name ": " (reason == "" ? "(no reason given)" : reason) }
  ' "$log"
}

# Waits for a tree of the background; status 1, with the end of its log,
# when it did not build. While a stage waits for it, the build runs at the
# normal priority (where the user may raise it again: root may), so that
# other work on the machine cannot starve it; the rest builds at the lowest
# priority again beside the next tests.
background_priority() {
  [ -n "$background_group" ] || return 0
  # By session: ninja puts each compiler in a process group of its own.
  local pids
  pids=$(ps -e -o pid=,sid= | awk -v s="$background_group" '$2 == s { print $1 }')
  [ -z "$pids" ] || renice -n "$1" -p $pids >/dev/null 2>&1 || true
}
await_build() {
  local dir=$1 mark=$run_tmp/built-$1 rc seconds
  [ -f "$mark" ] || background_priority 0
  while [ ! -f "$mark" ]; do
    group_alive "$background_group" || break
    sleep 1
  done
  background_priority 19
  if [ ! -f "$mark" ]; then
    echo "== Build of $dir: the background builds ended early =="
    return 1
  fi
  read -r rc seconds <"$mark"
  echo "== Build of $dir took $((seconds / 60)) min $((seconds % 60)) s, in the background =="
  [ "$rc" -eq 0 ] && return 0
  tail -n 60 "$dir/build.log"
  return 1
}

begin "Tests (ASan + UBSan)"
audio_ready
logged_stage build-asan/ctest.log ctest --test-dir build-asan --output-on-failure -j "$jobs" --timeout 300 || status=1
print_skips build-asan

if [ "${HG_SKIP_AUDIO_CHECK:-0}" != 1 ]; then
  begin "Audio path beside a desktop session's sound server"
  stage bash scripts/check-private-audio.sh build-asan || status=1
fi

# The play tests again on each other server, so that both that desktops run
# are tested: Debian's GNOME runs PipeWire, others PulseAudio.
for server in "${servers[@]:1}"; do
  begin "Play tests (ASan + UBSan) on a private $server server"
  pulse_stop
  if HG_AUDIO_SERVER=$server pulse_start && audio_ready; then
    logged_stage "build-asan/ctest-$server.log" \
      ctest --test-dir build-asan --output-on-failure -R "$play_tests" --timeout 300 || status=1
    print_skips build-asan
  else
    echo "== Audio: no private $server server; its play tests fail =="
    status=1
  fi
  pulse_stop
  HG_AUDIO_SERVER=${servers[0]} pulse_start || status=1
done

# The same suite in the optimised build users get, so that no test depends on
# sanitizer timing or on code the optimiser may remove. The play tests have
# run on every server already and judge the same audio path here.
if [ "${HG_SKIP_RELEASE:-0}" != 1 ]; then
  begin "Tests (Release)"
  if await_build build-release; then
    logged_stage build-release/ctest.log ctest --test-dir build-release --output-on-failure -j "$jobs" \
      -E "$play_tests" --timeout 300 || status=1
    print_skips build-release
  else
    status=1
  fi
fi

if [ "${HG_SKIP_TSAN:-0}" != 1 ]; then
  begin "Engine tests (ThreadSanitizer)"
  if await_build build-tsan; then
    TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1" logged_stage build-tsan/ctest.log \
      ctest --test-dir build-tsan --output-on-failure -L tsan -j "$jobs" --timeout 600 --no-tests=ignore || status=1
    print_skips build-tsan
  else
    status=1
  fi
fi

if [ "${HG_SKIP_FUZZ:-0}" != 1 ]; then
  begin "Fuzzing (libFuzzer, clang)"
  if await_build build-fuzz; then
    seconds=${HG_FUZZ_SECONDS:-20}
    targets=()
    for f in build-fuzz/fuzzers/*; do [ -x "$f" ] && targets+=("$f"); done
    echo "-- ${#targets[@]} targets for ${seconds} s each, $jobs at a time"
    # Each target in a process of its own, its output in its log; the stage
    # waits for all and reports each one's summary ("Done N runs", after
    # which the leak checker may list the suppressions it used).
    if ! stage bash -c '
      seconds=$1 width=$2 marks=$3
      shift 3
      fuzz() {
        local f=$1 name corpus seeds=() rc=0
        name=$(basename "$f")
        corpus=build-fuzz/corpus/$name
        mkdir -p "$corpus"
        [ -d "build-fuzz/seeds/$name" ] && seeds=("build-fuzz/seeds/$name")
        "$f" -artifact_prefix="build-fuzz/" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
          "$corpus" "${seeds[@]}" >"build-fuzz/$name.log" 2>&1 || rc=$?
        echo "$rc" >"$marks/fuzzed-$name"
      }
      for f in "$@"; do
        while [ "$(jobs -rp | wc -l)" -ge "$width" ]; do wait -n || true; done
        fuzz "$f" &
      done
      wait
      rc=0
      for f in "$@"; do
        name=$(basename "$f")
        if [ "$(cat "$marks/fuzzed-$name" 2>/dev/null)" = 0 ]; then
          echo "-- $name: $(grep -E "^Done [0-9]+ runs" "build-fuzz/$name.log" | tail -n 1 || tail -n 1 "build-fuzz/$name.log")"
        else
          echo "-- $name failed:"
          tail -n 60 "build-fuzz/$name.log"
          rc=1
        fi
      done
      exit $rc' _ "$seconds" "$jobs" "$run_tmp" "${targets[@]}"; then
      status=1
    fi
  else
    status=1
  fi
fi
took
wait "$background_group" 2>/dev/null || true
background_group=

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
echo "== The whole run took $((SECONDS / 60)) min $((SECONDS % 60)) s =="
echo "tests: $passed passed, $failed failed"
exit $status
