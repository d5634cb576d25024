#!/usr/bin/env bash
# The test command: installs what is missing, then configures, builds and
# tests every build of the project. Exits non-zero if any step fails.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
# The Windows tests run under wine in a prefix of build/windows's own, with a
# wine server of its own (cmake/wine_run.sh), so another run or a demo on the
# same machine is never touched.

# A step run beside the others writes to a log of its own, shown when it ends.
logs=build/test-logs
mkdir -p "$logs"
started=()
beside() { # beside NAME COMMAND...: starts it; `joined NAME` waits for it (NAME: a shell name)
  setsid "${@:2}" >"$logs/$1.log" 2>&1 &
  eval "pid_$1=$!"
  started+=("$!")
}
joined() {
  local pid_var="pid_$1" status=0
  wait "${!pid_var}" || status=$?
  started=("${started[@]/${!pid_var}}")
  echo "== $1 (run beside the others):"
  cat "$logs/$1.log"
  if [ "$status" -ne 0 ]; then
    echo "== $1 failed (status $status)"
    exit "$status"
  fi
}
# Whatever ends this script ends the steps it started beside the others
# (each in a process group of its own).
trap 'for pid in "${started[@]}"; do kill -- "-$pid" 2>/dev/null || true; done' EXIT
build() { cmake --preset "$1" >/dev/null && cmake --build --preset "$1"; }
# Each stage's heading says when it began, for where the minutes go.
stage() { echo "== $* (at $((SECONDS / 60)) min $((SECONDS % 60)) s)"; }

# Every build and test needs both cores only part of the time (the tests
# wait on servers, browsers and wine): after the native build, the other
# builds are made while the suites run. The suites pass on a busy machine.
stage "native: configure and build"
build native
stage "native: the suite, the Windows build beside it"
beside windows_build sh -c 'cmake --preset windows >/dev/null && cmake --build --preset windows'
ctest --preset native

stage "windows: the suite, the sanitizer builds beside it"
joined windows_build
beside sanitizer_builds sh -c 'cmake --preset tsan >/dev/null && cmake --build --preset tsan &&
                               cmake --preset fuzz >/dev/null && cmake --build --preset fuzz &&
                               cmake --preset asan >/dev/null && cmake --build --preset asan'
ctest --preset windows

# Reliability: the native suite again under AddressSanitizer and
# UndefinedBehaviorSanitizer (less the tests that use none of its binaries,
# the scripts' and the docs', which the native suite has run), the
# many-threads test under ThreadSanitizer, and each fuzz target for a
# bounded time from its committed corpus, two at a time.
# The fuzz targets run for their time whatever else runs: beside the
# sanitizer suites, which wait on servers part of the time.
joined sanitizer_builds
stage "fuzz: each libFuzzer target for a bounded time, beside the sanitizer suites"
beside fuzz_targets ctest --preset fuzz
stage "asan: the native suite under AddressSanitizer and UndefinedBehaviorSanitizer"
ctest --preset asan
stage "tsan: many panels on many threads under ThreadSanitizer"
ctest --preset tsan
joined fuzz_targets
stage "all builds passed"
