#!/usr/bin/env bash
# The SDK as a panel author uses it (as fmt's find-package-test): this build
# installed into a temporary prefix, made into the release archive
# (package_sdk.sh --from) and unpacked elsewhere, the install removed; every
# link of the installed pages followed; a standalone panel made from the
# unpacked SDK with quon-new-panel, then built and tested with the project's
# PRESET (native or windows), then again with the panel ending the process in
# its constructor, which fails every test; natively, each example made with
# quon-new-panel --example, built and tested the same way, a new project's CI
# files read and its native CI step run, and the installed pages held to what
# the SDK and those projects hold (sdk_docs_check.py).
# Also the refusals of quon-new-panel and install_sdk.sh, each one line that
# leaves nothing behind. The archive is the tree install_sdk.sh installs,
# tarred: this build's install is the same tree but for the other
# toolchain's half.
#   sdk_package_test.sh SOURCE_DIR BUILD_DIR PRESET
set -euo pipefail
source_dir=$1 build=$2 preset=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# The API reference is installed when it has been built (doxygen: seconds).
[ "$preset" != native ] || cmake --build "$build" --target docs >/dev/null || fail "the API reference"
cmake --install "$build" --prefix "$work/installed" >/dev/null
version=$(sed -n 's/^project([A-Za-z_]* VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
mkdir "$work/release"
bash "$source_dir/scripts/package_sdk.sh" --from "$work/installed" "$work/release" >/dev/null || fail "package_sdk.sh"
archive=$work/release/quon-sdk-$version-Linux.tar.gz
[ -f "$archive" ] || fail "no archive quon-sdk-$version-Linux.tar.gz: $(ls -A "$work/release")"
top=$(tar -tzf "$archive" | cut -d/ -f1 | sort -u)
[ "$top" = "quon-sdk-$version" ] || fail "the archive's top folders are not quon-sdk-$version alone: $top"
tar -C "$work/release" -xzf "$archive"
rm -rf "$work/installed" "$archive"
sdk=$work/release/quon-sdk-$version # relocatable: nothing may point back
pointing_back=$(grep -rIl "$work/installed" "$sdk" || true)
[ -z "$pointing_back" ] || fail "files of the SDK name the folder it was installed in: $pointing_back"

# Every relative link of the installed pages (the README, docs/) names
# something installed.
links=0
while IFS= read -r -d '' page; do
  while IFS= read -r target; do
    links=$((links + 1))
    [ -e "$(dirname "$page")/${target%%#*}" ] || fail "${page#"$sdk"/}: link $target: nothing installed there"
  done < <(grep -o '](\([^)[:space:]]*\))' "$page" | sed 's/^](\(.*\))$/\1/' | grep -Ev '^([a-z]+:|#)' || true)
done < <(find "$sdk/share/doc/quon" -name '*.md' -print0)
[ "$links" -gt 10 ] || fail "only $links links found in the installed pages"

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
refused "usage" "$sdk/bin/quon-new-panel" --example alarmwall
refused "its examples are alarmwall kivren router_control" "$sdk/bin/quon-new-panel" --example ../share "$work/p"
refused "usage" bash "$source_dir/scripts/install_sdk.sh"
refused "holds no quon SDK" bash "$source_dir/scripts/install_sdk.sh" "$work/full"
cp -r "$sdk" "$work/newer"
sed -i 's/^set(PACKAGE_VERSION ".*")$/set(PACKAGE_VERSION "99.0.0")/' "$work/newer/lib/cmake/quon/quonConfigVersion.cmake"
refused "newer than this one" bash "$source_dir/scripts/install_sdk.sh" "$work/newer"
[ "$(ls -A "$work")" = "$(printf 'full\nnewer\nrelease')" ] || fail "a refusal left something behind: $(ls -A "$work")"
[ "$(ls -A "$work/full")" = kept ] || fail "a refusal changed $work/full"

"$sdk/bin/quon-new-panel" zed "$work/zed" >/dev/null
grep -rq "$source_dir" "$work/zed" && fail "the new project points into the source tree"
cd "$work/zed"
cmake --preset "$preset" >/dev/null || fail "configure"
cmake --build --preset "$preset" >/dev/null || fail "build"
ctest --preset "$preset" --no-tests=error | tee ctest.log || fail "ctest"
for test in zed_validate zed_scenario_zed zed_test zed_soak; do
  grep -Eq "Test +#[0-9]+: $test[. ].*Passed" ctest.log || fail "no passing $test"
done

# The same panel ending the process in its constructor with exit(0): none of
# its tests may pass, and the unit tests say the program ended early.
sed -i -e '1i #include <cstdlib>' -e 's/^zed::zed(.*{$/&\n    std::exit(0);/' zed.cpp
grep -q 'std::exit(0);' zed.cpp || fail "the constructor of zed.cpp was not found"
cmake --build --preset "$preset" >/dev/null || fail "build of the panel that exits"
if ctest --preset "$preset" --output-on-failure >exit.log 2>&1; then fail "a panel that exits passed its tests"; fi
# (The Windows build's zed_dll_check reads the DLL's file and runs none of
# it: it passes still.)
passed=$(grep -E "Test +#[0-9]+: zed_.*Passed" exit.log | grep -v "zed_dll_check " || true)
[ -z "$passed" ] || fail "tests of a panel that exits passed: $passed"
for test in zed_validate zed_scenario_zed zed_test zed_soak; do
  grep -Eq "Test +#[0-9]+: $test[. ].*Failed" exit.log || fail "$test did not fail for a panel that exits"
done
grep -q "ended early" exit.log || fail "no unit test said the program ended early: $(tail -n 20 exit.log)"

# The examples, natively only (their Windows builds are the same as any
# panel's): projects of the new panel's shape, whose every test passes, made
# side by side with a new panel of the name the pages use, router_status,
# for the pages' check, which runs their commands in them.
if [ "$preset" = native ]; then
  mkdir "$work/projects"
  "$sdk/bin/quon-new-panel" router_status "$work/projects/router_status" >/dev/null || fail "quon-new-panel router_status"
  head_of() { sed -n '1,/^find_package/p' "$1"; }
  for example in router_status alarmwall kivren router_control; do
    project=$work/projects/$example
    if [ "$example" != router_status ]; then
      "$sdk/bin/quon-new-panel" --example "$example" "$project" >/dev/null || fail "quon-new-panel --example $example"
      [ "$(head_of "$project/CMakeLists.txt")" = "$(head_of "$work/zed/CMakeLists.txt" | sed "s/\bzed\b/$example/g")" ] ||
        fail "the example $example's CMakeLists.txt does not begin as a new panel's"
      [ "$(cat "$project/CMakePresets.json")" = "$(sed "s/\bzed\b/$example/g" "$work/zed/CMakePresets.json")" ] ||
        fail "the example $example's presets are not a new panel's"
      grep -q "$sdk" "$project/README.md" || fail "the example $example's README does not name its SDK"
    fi
    cd "$project"
    cmake --preset native >/dev/null || fail "configure $example"
    cmake --build --preset native >/dev/null || fail "build $example"
    ctest --preset native --no-tests=error >test.log 2>&1 || fail "the tests of $example: $(tail -n 30 test.log)"
  done
  while read -r example test; do
    grep -Eq "Test +#[0-9]+: $test[. ].*Passed" "$work/projects/$example/test.log" || fail "no passing $test in $example"
  done <<'TESTS'
alarmwall alarmwall_validate
alarmwall alarmwall_scenario_startup
alarmwall alarmwall_scenario_alarms
alarmwall alarmwall_scenario_clock
alarmwall alarmwall_test
kivren kivren_validate
kivren kivren_scenario_demo
router_control router_control_scenario_routing
router_control router_control_test
router_status router_status_test
TESTS
  # The project's CI: both files run every step of ci/panel_ci.sh, whose
  # native step runs here as a CI service runs it, with validate's cases kept.
  cd "$work/projects/router_status"
  steps=$(sed -n 's/^ *echo "usage: bash ci\/panel_ci.sh \([a-z|]*\)".*/\1/p' ci/panel_ci.sh | tr '|' '\n' | sort)
  [ -n "$steps" ] || fail "ci/panel_ci.sh names no steps"
  for file in .github/workflows/ci.yml .gitlab-ci.yml; do
    /usr/bin/python3 -c 'import sys, yaml; yaml.safe_load(open(sys.argv[1]))' "$file" || fail "$file is not YAML"
    [ "$(grep -o 'ci/panel_ci.sh [a-z]*' "$file" | cut -d' ' -f2 | sort -u)" = "$steps" ] ||
      fail "$file does not run every step of ci/panel_ci.sh ($(echo $steps))"
  done
  QUON_SDK=$sdk bash ci/panel_ci.sh native >ci.log 2>&1 || fail "ci/panel_ci.sh native: $(tail -n 20 ci.log)"
  grep -q "all checks passed" ci.log && [ -d build/validate-failures ] || fail "the CI's validate: $(tail -n 20 ci.log)"
  /usr/bin/python3 "$source_dir/tests/scripts/sdk_docs_check.py" "$sdk" "$source_dir" "$work/projects" || fail "the installed pages"
fi
echo "package test passed"
