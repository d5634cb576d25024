#!/usr/bin/env bash
# Runs a Windows program under wine in a prefix of its build's own.
#   wine_run.sh PREFIX [--closing-line REGEX] PROGRAM [ARGS...]
# PREFIX may be relative to the current folder. The first use creates the prefix. Each prefix has a wine server of its own,
# started here to stay up 60 s after its last program, so that back-to-back
# tests never meet a server on its way out. Nothing here stops a server: runs
# in other prefixes (another build, another clone) are never touched.
#
# With --closing-line the program passes only if it exits 0 AND the last
# non-empty line of its standard output matches REGEX (extended regex): a
# program killed from outside (wineserver -k) can exit 0 with its output cut
# (closing_line.sh judges it).
set -uo pipefail

prefix=${1:?usage: wine_run.sh PREFIX [--closing-line REGEX] PROGRAM [ARGS...]}
shift
closing=
if [ "${1-}" = --closing-line ]; then
  closing=${2:?--closing-line needs a regex}
  shift 2
fi
# wine takes only an absolute prefix; one given by hand is often relative.
[[ $prefix == /* ]] || prefix=$PWD/$prefix
export WINEPREFIX=$prefix
export WINEDEBUG=${WINEDEBUG:--all}

mkdir -p "$prefix"
# One caller at a time sets the prefix up, under a lock that the server and
# wine's own processes must not inherit (9<&-), or it would outlive the set-up.
# A new server session also starts wine's system processes, which live as
# long as the server: started here they hold /dev/null, not the output of the
# first test, whose runner would otherwise wait for them to end.
{
  flock 9
  if wineserver -p60 </dev/null >/dev/null 2>&1 9<&- || [ ! -e "$prefix/.kivren-ready" ]; then
    wine cmd /c exit </dev/null >/dev/null 2>&1 9<&- && touch "$prefix/.kivren-ready"
  fi
} 9<"$prefix"

if [ -z "$closing" ]; then
  # exec: signals sent to the test (serve's SIGINT) must reach wine itself.
  exec wine "$@"
fi

exec /bin/bash "$(dirname "$0")/closing_line.sh" --label "wine_run: $1" "$closing" wine "$@"
