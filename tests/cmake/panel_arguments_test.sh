#!/usr/bin/env bash
# quon_add_panel refuses a VERSION or LANGUAGE without its form, naming it,
# and takes one with it.
#   panel_arguments_test.sh SOURCE_DIR
set -uo pipefail
script=$1/tests/cmake/panel_argument.cmake
failed=0
while read -r keyword value refused; do
  out=$(cmake -DKEYWORD="$keyword" -DVALUE="$value" -P "$script" 2>&1)
  if grep -q "$keyword $value is not" <<<"$out"; then got=yes; else got=no; fi
  if [ "$got" != "$refused" ]; then
    echo "FAIL: $keyword $value: refused=$got, expected $refused: $out"
    failed=1
  fi
done <<'CASES'
VERSION 1.2.3.4 no
VERSION 10.0.0.255 no
VERSION 1.2.3 yes
VERSION 1x2x3x4 yes
VERSION 1.2.3.4.5 yes
LANGUAGE 0c09 no
LANGUAGE 0C09 no
LANGUAGE 809 yes
LANGUAGE 0g09 yes
CASES
[ $failed -eq 0 ] && echo "panel arguments test passed"
