#!/usr/bin/env bash
# A long run of one fuzz target: bash scripts/fuzz_long.sh TARGET [EXECUTIONS]
# TARGET is a folder of fuzz/corpus (boundary, definitions, ...); EXECUTIONS defaults to ten
# million. Builds the fuzz preset, grows its own corpus in
# build/fuzz/long/TARGET from the committed one, and leaves any crashing input
# there (crash-*), to be copied into fuzz/corpus/TARGET/regression-<what>.
# Prints libFuzzer's final statistics (executions, new inputs, peak memory),
# and the edge coverage of the corpus before and after the run, so that a run
# says what it added; then the command that merges what it found into the
# committed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."

target=${1:?usage: fuzz_long.sh TARGET [EXECUTIONS] (a folder of fuzz/corpus)}
runs=${2:-10000000}
[ -d "fuzz/corpus/$target" ] || { echo "fuzz_long: no target $target" >&2; exit 2; }

bash scripts/setup.sh >/dev/null
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null
fuzzer="build/fuzz/fuzz/fuzz_$target"
work="build/fuzz/long/$target"
mkdir -p "$work/corpus"
# Inputs up to 1 KiB hold hundreds of events; longer ones only slow the run.
max_len=${FUZZ_MAX_LEN:-1024}

# Edges (libFuzzer's "cov:") that the inputs in the given folders reach.
edges() {
  "$fuzzer" -runs=0 -max_len="$max_len" "$@" 2>&1 | sed -n 's/.*INITED cov: \([0-9]*\) .*/\1/p' | tail -n 1
}

committed=$(edges "fuzz/corpus/$target")
before=$(edges "$work/corpus" "fuzz/corpus/$target")
echo "fuzz_long: corpus before the run: $before edges (the committed corpus alone: $committed)"
status=0
"$fuzzer" -runs="$runs" -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$work/" "$work/corpus" "fuzz/corpus/$target" || status=$?
after=$(edges "$work/corpus" "fuzz/corpus/$target")
echo "fuzz_long: corpus after the run: $after edges, $((after - before)) added (the committed corpus alone: $committed)"
if [ "$after" -gt "$committed" ]; then
  # Without counters a merge keeps only inputs that reach a new edge, which
  # keeps the committed corpus small.
  echo "fuzz_long: to add to the committed corpus only the inputs that reach a new edge:"
  echo "  $fuzzer -merge=1 -use_counters=0 -max_len=$max_len fuzz/corpus/$target $work/corpus"
fi
exit "$status"
