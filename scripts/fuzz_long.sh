#!/usr/bin/env bash
# A long run of one fuzz target: bash scripts/fuzz_long.sh TARGET [EXECUTIONS]
# TARGET is boundary, alarm or param_message; EXECUTIONS defaults to ten
# million. Builds the fuzz preset, grows its own corpus in
# build/fuzz/long/TARGET from the committed one, and leaves any crashing input
# there (crash-*), to be copied into fuzz/corpus/TARGET/regression-<what>.
# Prints libFuzzer's final statistics: executions, new inputs, peak memory.
set -euo pipefail
cd "$(dirname "$0")/.."

target=${1:?usage: fuzz_long.sh boundary|alarm|param_message [EXECUTIONS]}
runs=${2:-10000000}
[ -d "fuzz/corpus/$target" ] || { echo "fuzz_long: no target $target" >&2; exit 2; }

bash scripts/setup.sh >/dev/null
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null
work="build/fuzz/long/$target"
mkdir -p "$work/corpus"
# Inputs up to 1 KiB hold hundreds of events; longer ones only slow the run.
exec "build/fuzz/fuzz/fuzz_$target" -runs="$runs" -max_len="${FUZZ_MAX_LEN:-1024}" -timeout=10 \
  -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work/" "$work/corpus" "fuzz/corpus/$target"
