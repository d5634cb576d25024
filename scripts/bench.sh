#!/usr/bin/env bash
# The benchmark command: installs what is missing, builds the native preset
# (RelWithDebInfo, -O2) in build/bench, runs the benchmarks (kivren against
# the hand-written baseline: times, ratios, heap allocations per event) and
# then the instruction counts under callgrind.
# Arguments are passed on to the benchmark binary, e.g.
#   bash scripts/bench.sh --benchmark_filter=router --benchmark_repetitions=5
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --preset native -B build/bench >/dev/null
cmake --build build/bench --target kivren_bench kivren_callgrind

echo "== benchmarks (CPU time per event; allocs = heap allocations per event)"
build/bench/bench/kivren_bench --benchmark_min_time=0.2 --benchmark_repetitions=3 \
  --benchmark_display_aggregates_only=true "$@"

echo
echo "== instructions per event (callgrind)"
bash bench/callgrind.sh build/bench/bench/kivren_callgrind
