#!/usr/bin/env bash
# Runs a GoogleTest program and fails it when it ended before GoogleTest had
# finished, whatever its exit status: code under test that calls exit(0) (or
# _exit, or ends the process some other way) must not pass as a clean run.
#   gtest_run.sh PROGRAM [ARGS...]
# GoogleTest's own protocol: it writes the file TEST_PREMATURE_EXIT_FILE names
# when it starts its run and removes it when the run is over. The file is
# made here first, so a program that ends before GoogleTest starts is caught
# too. A program killed by a signal still reports that signal.
set -u
dir=$(mktemp -d) || exit 1
trap 'rm -rf "$dir"' EXIT
export TEST_PREMATURE_EXIT_FILE=$dir/running
: >"$TEST_PREMATURE_EXIT_FILE"
"$@"
status=$?
if [ -e "$TEST_PREMATURE_EXIT_FILE" ]; then
  echo "gtest_run: the test program ended early, before GoogleTest finished (exit status $status)" >&2
  [ "$status" -ne 0 ] || status=1
fi
rm -rf "$dir"
trap - EXIT
if [ "$status" -gt 128 ] && [ "$status" -lt 160 ]; then
  kill -s $((status - 128)) $$ # died of a signal: so does this, for the test runner to see
fi
exit "$status"
