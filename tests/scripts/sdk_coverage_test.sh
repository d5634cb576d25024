#!/usr/bin/env bash
# A new project's coverage preset (gcovr): this build installed into a
# temporary prefix, a panel made from it with a function its tests never
# call, and "cmake --preset coverage && cmake --build --preset coverage";
# the HTML report must name the panel's source file, show the lines its
# tests reach as covered and the planted function's line as not, and leave
# its tests' sources out. Skipped without gcovr.
#   sdk_coverage_test.sh BUILD_DIR
set -euo pipefail
build=$1
command -v gcovr >/dev/null || { echo "SKIP: no gcovr (scripts/setup.sh installs it)"; exit 0; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$work/sdk" >/dev/null
"$work/sdk/bin/quon-new-panel" cov "$work/cov" >/dev/null
cd "$work/cov"
printf '\nint cov_unreached(int x) {\n    return x + 4242;\n}\n' >>cov.cpp
cmake --preset coverage >/dev/null || fail "configure the coverage preset"
cmake --build --preset coverage >build.log 2>&1 || fail "the coverage build: $(tail -n 30 build.log)"
report=build/coverage/coverage
[ -f "$report/index.html" ] || fail "no report $report/index.html: $(tail -n 30 build.log)"
grep -q 'cov\.cpp' "$report/index.html" || fail "the report does not name cov.cpp"
grep -q 'cov_test' "$report/index.html" && fail "the report counts the unit tests' sources"
page=$(ls "$report"/index.cov.cpp.*.html) || fail "no page of cov.cpp in the report"
covered=$(grep -c 'class="src coveredLine"' "$page" || true)
[ "$covered" -gt 10 ] || fail "only $covered lines of cov.cpp covered"
grep '4242' "$page" | grep -q 'class="src uncoveredLine"' || fail "the line no test reaches is not shown as uncovered"
echo "coverage test passed ($covered lines of cov.cpp covered, the planted one not)"
