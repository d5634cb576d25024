#!/usr/bin/env bash
# Instructions per soaked event: panel_host soak's own against the panel's.
# Usage: bench/soak_callgrind.sh [panel_host] [library] [devices] [extra soak options...]
# Plays one virtual day of kivren at a tenth of the default rates (about
# 150,000 events) under callgrind. The panel's cost is the inclusive cost of
# its callback (quon_script_helper::callback) less the host's work the panel
# calls back into (emulated_host::callback: executing its commands); the
# host's is everything else: the traffic, the delivery, the measuring, the
# samples of every ten virtual minutes and the watchdog thread.
set -euo pipefail
host=${1:-build/native/host/panel_host}
library=${2:-build/native/panels/kivren/kivren.so}
devices=${3:-panels/kivren/kivren.devices}
shift $(( $# < 3 ? $# : 3 ))
out=$(mktemp -d)
trap '[ -n "${KEEP:-}" ] || rm -rf "$out"' EXIT

valgrind --tool=callgrind --callgrind-out-file="$out/cg.%p" "$host" soak "$library" --devices "$devices" \
  --days 1 --seed 1 --rate route=30/min --rate gpi=30/min --rate info=18/min --rate press=12/min \
  --rate property=6/min "$@" >"$out/soak.log" 2>"$out/valgrind.log" || {
  cat "$out/soak.log" "$out/valgrind.log" >&2
  exit 1
}
[ -z "${KEEP:-}" ] || echo "profile kept in $out" >&2
events=$(sed -n 's/^played \([0-9]*\) events.*/\1/p' "$out/soak.log")
# The soak runs in a worker forked from the watching process: its profile is the larger.
profile=$(ls -S "$out"/cg.* | head -1)
callgrind_annotate --inclusive=yes --threshold=100 "$profile" >"$out/annotate.txt"
# A function's inclusive instructions, summed over its clones.
inclusive() {
  awk -v name="$1" 'index($0, name) { gsub(",", "", $1); sum += $1 } END { print sum + 0 }' "$out/annotate.txt"
}
total=$(awk '/PROGRAM TOTALS/ { gsub(",", "", $1); print $1 }' "$out/annotate.txt")
panel_in=$(inclusive "quon_script_helper::callback(void*, unsigned int) [")
host_back=$(inclusive "quon::host::emulated_host::callback(void*, unsigned int) [")
awk -v t="$total" -v p="$panel_in" -v b="$host_back" -v e="$events" 'BEGIN {
  panel = p - b; host = t - panel
  printf "events %d\n", e
  printf "%-34s %12s\n", "", "Ir per event"
  printf "%-34s %12.0f\n", "panel (its callback, own code)", panel / e
  printf "%-34s %12.0f\n", "host (everything else)", host / e
  printf "%-34s %12.0f\n", "  of which commands it executes", b / e
  printf "%-34s %11.2fx\n", "host / panel", host / panel
}'
