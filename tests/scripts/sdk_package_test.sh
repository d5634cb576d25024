#!/usr/bin/env bash
# The SDK as a panel author uses it (as fmt's find-package-test): this build
# installed into a temporary prefix, the prefix moved elsewhere, a standalone
# panel made there with quon-new-panel, then built and tested with the
# project's PRESET (native or windows), then again with the panel ending the
# process in its constructor, which fails every test. Also the refusals of
# quon-new-panel and install_sdk.sh, each one line that leaves nothing behind.
#   sdk_package_test.sh SOURCE_DIR BUILD_DIR PRESET
set -euo pipefail
source_dir=$1 build=$2 preset=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$work/sdk" >/dev/null
mv "$work/sdk" "$work/moved" # relocatable: nothing may point back
sdk=$work/moved

# Each refusal is one line with the reason.
refused() {
  local why=$1 out
  shift
  if out=$("$@" 2>&1); then fail "$* was accepted"; fi
  [ "$(echo "$out" | wc -l)" -eq 1 ] || fail "$*: more than one line: $out"
  [[ $out == *"$why"* ]] || fail "$*: \"$out\" does not say \"$why\""
}
mkdir "$work/full" && touch "$work/full/kept"
refused "not a C identifier" "$sdk/bin/quon-new-panel" 9lives "$work/p"
refused "keyword" "$sdk/bin/quon-new-panel" class "$work/p"
refused "is not empty" "$sdk/bin/quon-new-panel" zed "$work/full"
refused "usage" "$sdk/bin/quon-new-panel" zed
refused "usage" bash "$source_dir/scripts/install_sdk.sh"
refused "holds no quon SDK" bash "$source_dir/scripts/install_sdk.sh" "$work/full"
cp -r "$sdk" "$work/newer"
sed -i 's/^set(PACKAGE_VERSION ".*")$/set(PACKAGE_VERSION "99.0.0")/' "$work/newer/lib/cmake/quon/quonConfigVersion.cmake"
refused "newer than this one" bash "$source_dir/scripts/install_sdk.sh" "$work/newer"
[ "$(ls -A "$work")" = "$(printf 'full\nmoved\nnewer')" ] || fail "a refusal left something behind: $(ls -A "$work")"
[ "$(ls -A "$work/full")" = kept ] || fail "a refusal changed $work/full"

"$sdk/bin/quon-new-panel" zed "$work/zed" >/dev/null
grep -rq "$source_dir" "$work/zed" && fail "the new project points into the source tree"
cd "$work/zed"
cmake --preset "$preset" >/dev/null || fail "configure"
cmake --build --preset "$preset" >/dev/null || fail "build"
ctest --preset "$preset" --no-tests=error | tee ctest.log || fail "ctest"
for test in zed_validate zed_scenario_zed zed_test; do
  grep -Eq "Test +#[0-9]+: $test[. ].*Passed" ctest.log || fail "no passing $test"
done

# The same panel ending the process in its constructor with exit(0): none of
# its tests may pass, and the unit tests say the program ended early.
sed -i -e '1i #include <cstdlib>' -e 's/^zed::zed(.*{$/&\n    std::exit(0);/' zed.cpp
grep -q 'std::exit(0);' zed.cpp || fail "the constructor of zed.cpp was not found"
cmake --build --preset "$preset" >/dev/null || fail "build of the panel that exits"
if ctest --preset "$preset" --output-on-failure >exit.log 2>&1; then fail "a panel that exits passed its tests"; fi
passed=$(grep -E "Test +#[0-9]+: zed_.*Passed" exit.log || true)
[ -z "$passed" ] || fail "tests of a panel that exits passed: $passed"
for test in zed_validate zed_scenario_zed zed_test; do
  grep -Eq "Test +#[0-9]+: $test[. ].*Failed" exit.log || fail "$test did not fail for a panel that exits"
done
grep -q "ended early" exit.log || fail "no unit test said the program ended early: $(tail -n 20 exit.log)"
echo "package test passed"
