#!/usr/bin/env bash
# The panel template cannot rot: on a copy of the repository, new_panel.sh
# refuses bad names, creates a panel that touches nothing outside its folder,
# and the panel's own tests pass, with a command declared in its devices file,
# in the native build (validation, scenario, unit tests) and in the Windows
# build (the DLL and its check).
#   new_panel_round_trip.sh SOURCE_DIR
set -euo pipefail
source_dir=$1
name=round_trip_panel
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*"; exit 1; }

# The tree as it is now, committed or not, without any build output.
(cd "$source_dir" && git ls-files -z -co --exclude-standard | tar --null -T - -cf -) | (cd "$work" && tar xf -)
cd "$work"

# Each refusal is one line with the reason, and creates nothing.
refused() {
  local why=$1; shift
  local out
  if out=$(bash scripts/new_panel.sh "$@" 2>&1); then fail "new_panel.sh $* was accepted"; fi
  [ "$(echo "$out" | wc -l)" -eq 1 ] || fail "new_panel.sh $*: more than one line: $out"
  [[ $out == *"$why"* ]] || fail "new_panel.sh $*: \"$out\" does not say \"$why\""
}
panels_before=$(ls -A panels)
refused "not a C identifier" 9lives
refused "not a C identifier" "two words"
refused "not a C identifier" "a-b"
refused "keyword" class
refused "already exists" kivren
refused "already exists" Kivren
refused "usage" a b
[ "$(ls -A panels)" = "$panels_before" ] || fail "a refused name left something in panels/: $(ls -A panels)"

before=$(find . -type f ! -path "./panels/$name/*" -exec md5sum {} + | sort)
bash scripts/new_panel.sh $name >/dev/null
after=$(find . -type f ! -path "./panels/$name/*" -exec md5sum {} + | sort)
[ "$before" = "$after" ] || fail "new_panel.sh changed files outside panels/$name: $(diff <(echo "$before") <(echo "$after"))"
refused "already exists" $name
# A command of the studio's own, declared in the devices file only: the
# validate test reads that file (quon_add_panel's DEVICES) without CMake edits.
echo "command XA accept" >> panels/$name/$name.devices
sed -i 's/^\( *\)routerPoll(routerDevice, firstDestination, lastDestination);/&\n\1hostCommand("XA 1");/' \
  panels/$name/$name.cpp
sed -i 's/"RP 3 1 4"}/"RP 3 1 4", "XA 1"}/' panels/$name/tests/${name}_test.cpp
grep -q 'hostCommand("XA 1")' panels/$name/$name.cpp || fail "the declared command was not added to the panel"

# Native: configure, build what the panel's tests need, run them.
cmake --preset native >/dev/null
cmake --build --preset native -j2 --target panel_host $name ${name}_test >/dev/null
ctest --preset native -R "^${name}_" --no-tests=error | tee native.log
grep -q "${name}_validate .*Passed" native.log || fail "no passing ${name}_validate"
grep -q "${name}_scenario_${name} .*Passed" native.log || fail "no passing ${name}_scenario_${name}"
grep -q "${name}_test\..*Passed" native.log || fail "no passing ${name}_test"
# serve --scenario plays the template's scenario as run does.
/usr/bin/python3 tests/host/server/serve_scenario_test.py --library build/native/panels/$name/$name.so \
  --scenario panels/$name/scenarios/$name.scn --work "$work/serve" -- build/native/host/panel_host \
  || fail "serve --scenario of the template's scenario"

# Windows: the DLL and its check.
cmake --preset windows >/dev/null
cmake --build --preset windows -j2 --target $name >/dev/null
ctest --preset windows -R "^${name}_dll_check$" --no-tests=error | tee windows.log
grep -q "${name}_dll_check .*Passed" windows.log || fail "no passing ${name}_dll_check"
echo "round trip passed"
