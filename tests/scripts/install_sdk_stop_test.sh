#!/usr/bin/env bash
# install_sdk.sh with another install, or a stop, in its way, on a copy of the
# tree (its build folders go with the copy):
# - while the folder PREFIX is made in is locked (here by this test, as a
#   running install holds it), an install is refused at once in one line;
# - an install stopped by SIGTERM while it builds ends with everything it
#   started (no process of the copy's is left) and leaves PREFIX as it was.
#   install_sdk_stop_test.sh SOURCE_DIR
set -euo pipefail
source_dir=$1
work=$(mktemp -d)
installer=
cleanup() {
  [ -z "$installer" ] || kill -KILL "$installer" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

mkdir "$work/tree"
(cd "$source_dir" && git ls-files -z -co --exclude-standard | tar --null -T - -cf -) | (cd "$work/tree" && tar xf -)
# PREFIX holds an older SDK, which must come through untouched.
mkdir -p "$work/out/sdk/lib/cmake/quon"
echo 'set(PACKAGE_VERSION "0.1.0")' > "$work/out/sdk/lib/cmake/quon/quonConfigVersion.cmake"
echo kept > "$work/out/sdk/marker"
state() { (cd "$work/out" && find . -printf '%p %s\n' | sort && cat sdk/marker); }
before=$(state)

# Locked: refused, one line, exit 2, nothing built.
status=0
out=$(flock "$work/out" bash "$work/tree/scripts/install_sdk.sh" "$work/out/sdk" 2>&1) || status=$?
[ "$status" -eq 2 ] || fail "a locked prefix: exit $status, not 2: $out"
[ "$(printf '%s\n' "$out" | grep -c .)" -eq 1 ] || fail "a locked prefix: not one line: $out"
[[ $out == *"another install into $work/out is running"* ]] || fail "a locked prefix: \"$out\""
[ ! -e "$work/tree/build" ] || fail "a locked prefix: something was built"

# Stopped while it builds: wait (bounded by the test's timeout) until the
# first build folder has its build files, then SIGTERM the script alone.
bash "$work/tree/scripts/install_sdk.sh" "$work/out/sdk" >"$work/install.log" 2>&1 &
installer=$!
until compgen -G "$work/tree/build/sdk-*/linux/build.ninja" >/dev/null; do
  kill -0 "$installer" 2>/dev/null || fail "the install ended before it built: $(cat "$work/install.log")"
  sleep 0.2
done
kill -TERM "$installer"
status=0
wait "$installer" || status=$?
installer=
[ "$status" -eq 143 ] || fail "a stopped install exited $status, not 143: $(tail -n 3 "$work/install.log")"
grep -q "stopped by SIGTERM" "$work/install.log" || fail "a stopped install did not say so: $(tail -n 3 "$work/install.log")"
left=$(pgrep -af -- "$work/" || true)
[ -z "$left" ] || fail "a stopped install left processes running: $left"
[ "$(state)" = "$before" ] || fail "a stopped install changed $work/out: $(diff <(echo "$before") <(state))"
echo "install stop test passed"
