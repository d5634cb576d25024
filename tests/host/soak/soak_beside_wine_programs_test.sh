#!/usr/bin/env bash
# A soak under wine shares its prefix's wine server with every program
# started in that prefix beside it (the other tests of a suite, a demo): the
# soak passes while programs start beside it, and each of them, and one
# started after it, runs as if it were alone.
#   soak_beside_wine_programs_test.sh WINE_RUN PREFIX CLOSING_REGEX PROGRAM ARGS...
# WINE_RUN is cmake/wine_run.sh. Every wait is bounded: a lost wine server
# leaves its programs waiting for ever, and then this test fails in minutes.
set -uo pipefail
wine_run=$1 prefix=$2 closing=$3
shift 3

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
beside() { timeout -k 5 30 /bin/bash "$wine_run" "$prefix" cmd /c exit </dev/null >/dev/null 2>&1; }

timeout -k 5 150 /bin/bash "$wine_run" "$prefix" --closing-line "$closing" "$@" </dev/null >"$out/soak" 2>&1 &
soak=$!
started=0 failed=0
while kill -0 "$soak" 2>/dev/null && [ "$started" -lt 40 ]; do
  beside || failed=$((failed + 1))
  started=$((started + 1))
done
wait "$soak"
status=$?
beside
after=$?

cat "$out/soak"
echo "programs started beside the soak: $started, of which failed or waited too long: $failed"
echo "a program started after it: status $after"
[ "$status" -eq 0 ] || { echo "FAIL: the soak ended with status $status"; exit 1; }
[ "$started" -gt 0 ] || { echo "FAIL: the soak ended before a program could start beside it"; exit 1; }
[ "$failed" -eq 0 ] && [ "$after" -eq 0 ] || { echo "FAIL: a program beside the soak did not run"; exit 1; }
echo "soak and the programs beside it passed"
