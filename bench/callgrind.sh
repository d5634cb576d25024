#!/usr/bin/env bash
# Instructions per event under callgrind, framework against baseline.
# Usage: bench/callgrind.sh [path to kivren_callgrind]
# Runs the driver once; each of its phases is dumped separately and the
# table gives each phase's instructions divided by its number of events.
set -euo pipefail
driver=${1:-build/bench/bench/kivren_callgrind}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

valgrind --tool=callgrind --callgrind-out-file="$out/cg.out" "$driver" >/dev/null 2>"$out/valgrind.log" || {
  cat "$out/valgrind.log" >&2
  exit 1
}

# Each dump names its phase ("router/framework 1000") and gives its total.
i=1
while [ -f "$out/cg.out.$i" ]; do
  awk '/^desc: Trigger: Client Request: /{sub(/^desc: Trigger: Client Request: /, ""); name=$0}
       /^(summary|totals): /{total=$2}
       END{if (name != "") print name, total}' "$out/cg.out.$i"
  i=$((i + 1))
done | awk '
  { split($1, p, "/"); phase=p[1]; path=p[2]; ir[phase, path]=$3/$2
    if (!(phase in seen)) { seen[phase]=1; order[n++]=phase } }
  END {
    printf "%-14s %14s %14s %7s\n", "event", "framework Ir", "baseline Ir", "ratio"
    for (i = 0; i < n; i++) {
      ph = order[i]; fw = ir[ph, "framework"]; bl = ir[ph, "baseline"]
      printf "%-14s %14.1f %14.1f %6.2fx\n", ph, fw, bl, (bl > 0 ? fw / bl : 0)
    }
  }'
