#!/usr/bin/env bash
# A panel's fuzz target, as its author runs it: this build installed into a
# temporary prefix, a panel made from the template with quon-new-panel, its
# fuzz preset configured and built (Clang, libFuzzer). Its sound form runs
# its bounded time and passes; then a fault is planted in its property
# handler behind arm=7 (a name no scenario or hints file gives: the fuzzer
# must see the comparisons the panel makes through the SDK's string
# component) and the fuzz test must fail within its default bound, having
# saved a scenario that "panel_host run" replays to the crash (exit 3).
# Skipped (exit 77) where Clang or libFuzzer is missing.
#   sdk_panel_fuzz_test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
skip() { echo "SKIP: $*"; exit 77; }

command -v clang++ >/dev/null || skip "no clang++"
printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }\n' >"$work/probe.cpp"
clang++ -fsanitize=fuzzer,address,undefined "$work/probe.cpp" -o "$work/probe" 2>/dev/null ||
  skip "clang++ cannot link a libFuzzer target (libclang-rt-dev missing)"

cmake --install "$build" --prefix "$work/sdk" >/dev/null
"$work/sdk/bin/quon-new-panel" zed "$work/zed" >/dev/null
cd "$work/zed"
grep -q "^  FUZZ)$" CMakeLists.txt || fail "the template's quon_add_panel has no FUZZ"
sed -i 's/^  FUZZ)$/  FUZZ FUZZ_SECONDS 5)/' CMakeLists.txt
cmake --preset fuzz >configure.log 2>&1 || fail "configure: $(tail -n 20 configure.log)"
cmake --build --preset fuzz >build.log 2>&1 || fail "build: $(tail -n 30 build.log)"
ctest --preset fuzz --no-tests=error >sound.log 2>&1 || fail "the sound panel's fuzz test: $(tail -n 30 sound.log)"
grep -Eq "Test +#[0-9]+: fuzz_zed .*Passed" sound.log || fail "no passing fuzz_zed: $(cat sound.log)"

# The planted fault: arm=7 writes through a null pointer.
sed -i 's/^    if (command == "myParam") {$/    if (command == "arm" \&\& value == "7") *static_cast<volatile int*>(nullptr) = 1;\n&/' zed.cpp
[ "$(grep -c '"arm"' zed.cpp)" = 1 ] || fail "the fault was not planted"
sed -i 's/ FUZZ_SECONDS 5)$/)/' CMakeLists.txt # the default bound
grep -q "^  FUZZ)$" CMakeLists.txt || fail "the default bound was not restored"
cmake --build --preset fuzz >build.log 2>&1 || fail "build of the faulty panel: $(tail -n 30 build.log)"
start=$(date +%s)
if ctest --preset fuzz >faulty.log 2>&1; then fail "the fuzz test passed on the planted fault: $(tail -n 30 faulty.log)"; fi
echo "the fuzz test failed after $(($(date +%s) - start)) s (default bound 30 s)"
grep -q "fuzz: a fault found" faulty.log || fail "the fuzz test did not report a fault: $(tail -n 30 faulty.log)"
shopt -s nullglob
cases=(build/fuzz/fuzz_failures/zed/*.scn)
[ ${#cases[@]} -eq 1 ] || fail "expected one saved case, found ${#cases[@]}: $(tail -n 30 faulty.log)"
case=${cases[0]}
grep -qF "$case" faulty.log || fail "the test's output does not name $case"
cat "$case"
head -n 1 "$case" | grep -q '^# fuzz_zed found this fault in check "events" (crash)$' || fail "the case's first line"
# The one event the fault needs; nothing else but the devices.
steps=$(grep -v '^#' "$case" | grep -v '^devices ')
[ "$steps" = 'property "arm=7"' ] || fail "the case is not cut to the arming property: $steps"
status=0
"$work/sdk/bin/panel_host" run build/fuzz/zed.so "$case" >replay.log 2>&1 || status=$?
[ $status -eq 3 ] || fail "panel_host run exited $status, not 3: $(tail -n 20 replay.log)"
echo "panel fuzz test passed"
