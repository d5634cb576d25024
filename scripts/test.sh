#!/usr/bin/env bash
# The test command: installs what is missing, then configures, builds and
# tests every build of the project. Exits non-zero on the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
# The Windows tests run under wine in a prefix of build/windows's own, with a
# wine server of its own (cmake/wine_run.sh), so another run or a demo on the
# same machine is never touched.

for preset in native windows; do
  echo "== $preset: configure, build, test"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done

# Reliability: the native suite again under AddressSanitizer and
# UndefinedBehaviorSanitizer, the many-threads test under ThreadSanitizer,
# and each fuzz target for a bounded time from its committed corpus.
echo "== asan: the native suite under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan
echo "== tsan: many panels on many threads under ThreadSanitizer"
cmake --preset tsan >/dev/null
cmake --build --preset tsan
ctest --preset tsan
echo "== fuzz: each libFuzzer target for a bounded time"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
ctest --preset fuzz
echo "== all builds passed"
