#!/usr/bin/env bash
# The test command: installs what is missing, then configures, builds and
# tests every build of the project. Exits non-zero on the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
# The first wine start creates its prefix; do it once, before tests race for it.
WINEDEBUG=-all wine cmd /c exit >/dev/null 2>&1 || true

for preset in native windows; do
  echo "== $preset: configure, build, test"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
echo "== all builds passed"
