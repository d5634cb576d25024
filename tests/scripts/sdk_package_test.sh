#!/usr/bin/env bash
# The SDK as a panel author gets it (as fmt's find-package-test): the
# release archive, made by package_sdk.sh from this tree's native and
# Windows builds (--builds: the same install and archive as a release, of
# the suite's builds rather than release builds of their own), unpacked into
# a folder of the test's own; every link of the installed pages followed; a
# standalone panel made from the unpacked SDK with quon-new-panel, then
# built and tested with both presets (natively and under wine), then again
# with the panel ending the process in its constructor, which fails every
# test; each example made with quon-new-panel --example, built and tested
# natively as a project of its own, its DLL built for Windows; a new project's
# CI files read and its native CI step run; and the installed pages held to
# what the SDK and those projects hold (sdk_docs_check.py).
# Also the refusals of quon-new-panel and install_sdk.sh, each one line that
# leaves nothing behind.
#   sdk_package_test.sh SOURCE_DIR NATIVE_BUILD WINDOWS_BUILD
set -euo pipefail
source_dir=$1 native_build=$2 windows_build=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

for build in "$native_build" "$windows_build"; do
  [ -f "$build/CMakeCache.txt" ] || fail "no build in $build: the archive is made of the native and windows builds (build both presets)"
done
version=$(sed -n 's/^project([A-Za-z_]* VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
mkdir "$work/release"
bash "$source_dir/scripts/package_sdk.sh" --builds "$native_build" "$windows_build" "$work/release" >"$work/release/package.log" 2>&1 ||
  fail "package_sdk.sh: $(tail -n 20 "$work/release/package.log")"
rm "$work/release/package.log"
archive=$work/release/quon-sdk-$version-Linux.tar.gz
[ "$(ls -A "$work/release")" = "quon-sdk-$version-Linux.tar.gz" ] ||
  fail "package_sdk.sh left beside the archive: $(ls -A "$work/release")"
top=$(tar -tzf "$archive" | cut -d/ -f1 | sort -u)
[ "$top" = "quon-sdk-$version" ] || fail "the archive's top folders are not quon-sdk-$version alone: $top"
mkdir "$work/unpacked"
tar -C "$work/unpacked" -xzf "$archive"
rm "$archive"
sdk=$work/unpacked/quon-sdk-$version # relocatable: nothing may point back
for half in lib/cmake/quon/quonTargets-linux.cmake lib/cmake/quon/quonTargets-windows.cmake bin/panel_host \
            bin/panel_host.exe share/doc/quon/api/html/index.html; do
  [ -e "$sdk/$half" ] || fail "the archive holds no $half"
done
pointing_back=$(grep -rIl -e "$work/release" -e "$source_dir" "$sdk" || true)
[ -z "$pointing_back" ] || fail "files of the SDK name the folder it was installed in or the source tree: $pointing_back"

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
refused "is not a build folder" bash "$source_dir/scripts/install_sdk.sh" --builds "$work/full" "$windows_build" "$work/p"
refused "is not a linux build" bash "$source_dir/scripts/install_sdk.sh" --builds "$windows_build" "$native_build" "$work/p"
cp -r "$sdk" "$work/newer"
sed -i 's/^set(PACKAGE_VERSION ".*")$/set(PACKAGE_VERSION "99.0.0")/' "$work/newer/lib/cmake/quon/quonConfigVersion.cmake"
refused "newer than this one" bash "$source_dir/scripts/install_sdk.sh" "$work/newer"
[ "$(ls -A "$work")" = "$(printf 'full\nnewer\nrelease\nunpacked')" ] || fail "a refusal left something behind: $(ls -A "$work")"
[ "$(ls -A "$work/full")" = kept ] || fail "a refusal changed $work/full"

"$sdk/bin/quon-new-panel" zed "$work/zed" >/dev/null
grep -rq "$source_dir" "$work/zed" && fail "the new project points into the source tree"
cd "$work/zed"
for preset in native windows; do
  cmake --preset $preset >/dev/null || fail "configure $preset"
  cmake --build --preset $preset >/dev/null || fail "build $preset"
  ctest --preset $preset --no-tests=error >$preset.log 2>&1 || fail "ctest $preset: $(tail -n 30 $preset.log)"
  for test in zed_validate zed_scenario_zed zed_test zed_soak; do
    grep -Eq "Test +#[0-9]+: $test[. ].*Passed" $preset.log || fail "no passing $test ($preset)"
  done
done

# The same panel ending the process in its constructor with exit(0): none of
# its tests may pass, and the unit tests say the program ended early.
sed -i -e '1i #include <cstdlib>' -e 's/^zed::zed(.*{$/&\n    std::exit(0);/' zed.cpp
grep -q 'std::exit(0);' zed.cpp || fail "the constructor of zed.cpp was not found"
for preset in native windows; do
  cmake --build --preset $preset >/dev/null || fail "build of the panel that exits ($preset)"
  if ctest --preset $preset --output-on-failure >exit.log 2>&1; then fail "a panel that exits passed its tests ($preset)"; fi
  # (The Windows build's zed_dll_check reads the DLL's file and runs none of
  # it: it passes still.)
  passed=$(grep -E "Test +#[0-9]+: zed_.*Passed" exit.log | grep -v "zed_dll_check " || true)
  [ -z "$passed" ] || fail "tests of a panel that exits passed ($preset): $passed"
  for test in zed_validate zed_scenario_zed zed_test zed_soak; do
    grep -Eq "Test +#[0-9]+: $test[. ].*Failed" exit.log || fail "$test did not fail for a panel that exits ($preset)"
  done
  grep -q "ended early" exit.log || fail "no unit test said the program ended early ($preset): $(tail -n 20 exit.log)"
done

# The examples: projects of the new panel's shape, whose every test passes
# natively and whose DLL builds for Windows (their tests under wine, which
# build GoogleTest for Windows in each project, are the same as any panel's:
# zed's above), made side by side with a new panel of the name the pages
# use, router_status, for the pages' check, which runs their commands in
# them.
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
  if [ "$example" != router_status ]; then
    { cmake --preset windows && cmake --build --preset windows --target "$example"; } >windows.log 2>&1 ||
      fail "the Windows build of $example: $(tail -n 30 windows.log)"
    [ -f "build/windows/$example.dll" ] || fail "no build/windows/$example.dll"
  fi
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
echo "package test passed"
