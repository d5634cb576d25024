#!/usr/bin/env bash
# Runs a program that tells how it went on its last line, and judges it.
#   closing_line.sh [--label NAME] REGEX PROGRAM [ARGS...]
# The output passes through; the run passes only if PROGRAM exits 0 AND the
# last non-empty line of its standard output matches REGEX (extended regex):
# a program that ended early (the code it runs called exit(0), or it was
# killed from outside) can exit 0 with its output cut. NAME, PROGRAM by
# default, is what the verdict calls the program.
set -uo pipefail
label=
if [ "${1-}" = --label ]; then
  label=$2
  shift 2
fi
closing=${1:?usage: closing_line.sh [--label NAME] REGEX PROGRAM [ARGS...]}
shift
label=${label:-$1}

out=$(mktemp)
trap 'rm -f "$out"' EXIT
"$@" | tee "$out"
status=${PIPESTATUS[0]}
# Console programs under wine end their lines with CR LF.
last=$(tr -d '\r' <"$out" | grep -v '^[[:space:]]*$' | tail -n 1)
if [ "$status" -ne 0 ]; then
  echo "$label exited with status $status" >&2
  exit "$status"
fi
if ! printf '%s\n' "$last" | grep -Eq -- "$closing"; then
  echo "$label exited 0, but its closing line \"$last\" does not say it passed (/$closing/): it ended early or was cut short" >&2
  exit 1
fi
