#!/usr/bin/env bash
# How cmake/wine_run.sh judges a Windows program: it passes only when the
# program exits 0 and its last line of output says so. Each case runs wine's
# own cmd in the build's prefix.
#   wine_run_test.sh RUNNER PREFIX CLOSING_LINE (the GoogleTest one)
set -u
runner=$1
prefix=$2
closing=$3
passed=0
failed=0

# case VERDICT CMD-LINE WHY
case_() {
  local got=fail
  bash "$runner" "$prefix" --closing-line "$closing" cmd /c "$2" >/dev/null 2>&1 && got=pass
  if [ "$got" = "$1" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL: $3: \"$2\" gave $got, expected $1"
  fi
}

case_ pass 'echo [  PASSED  ] 3 tests.' 'a closing summary and exit 0'
case_ fail 'echo [ RUN      ] ManyPanels.x' 'output cut after [ RUN ] with exit 0, as a killed test leaves it'
case_ fail 'exit 0' 'no output at all'
case_ fail 'echo [  PASSED  ] 3 tests.& exit 1' 'a closing summary, then a failing exit'
case_ fail 'echo [  PASSED  ] 3 tests.& echo [  FAILED  ] 1 test' 'the summary is not the last line'
case_ fail 'echo x[  PASSED  ] 3 tests.' 'the summary inside another line'
case_ pass 'echo [  PASSED  ] 2 tests.& echo [  SKIPPED ] 1 test, listed below:& echo [  SKIPPED ] Suite.Name' 'the list of skipped tests after the summary'
case_ fail 'echo [  SKIPPED ] Suite.Name (1 ms)' 'cut after a test skipped while running'

# The prefix as a person types it, relative to the build's folder.
if (cd "$(dirname "$prefix")" && bash "$runner" "./$(basename "$prefix")" --closing-line "$closing" \
     cmd /c 'echo [  PASSED  ] 1 test.' >/dev/null 2>&1); then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
  echo "FAIL: a prefix relative to the current folder was refused"
fi

echo "wine_run: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
