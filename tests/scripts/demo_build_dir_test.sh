#!/usr/bin/env bash
# scripts/demo.sh given a DEMO_BUILD_DIR of the other kind: it says what the
# directory holds and what it needs, exits 2, and leaves the directory as it
# was (it used to reconfigure it as the other kind and rebuild it).
#   demo_build_dir_test.sh PATH/TO/demo.sh
set -u
demo=$(realpath "$1")
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

passed=0
failed=0
# case DEMO-ARGS CACHE-LINE PATTERN
case_() {
  printf 'CMAKE_BUILD_TYPE:STRING=Debug\n%s\n' "$2" >"$dir/CMakeCache.txt"
  cp "$dir/CMakeCache.txt" "$dir/before"
  local out status
  out=$(DEMO_BUILD_DIR="$dir" bash "$demo" $1 2>&1 </dev/null)
  status=$?
  if [ $status -eq 2 ] && grep -Eq -- "$3" <<<"$out" && cmp -s "$dir/CMakeCache.txt" "$dir/before" &&
     [ "$(ls "$dir")" = "$(printf 'CMakeCache.txt\nbefore')" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL: demo $1 on a build with \"$2\": status $status, output:"
    sed 's/^/    /' <<<"$out"
  fi
}

case_ "" "CMAKE_CXX_COMPILER:FILEPATH=/usr/bin/c++" "holds a native build, and the windows demo needs a windows one"
case_ --native "CMAKE_TOOLCHAIN_FILE:FILEPATH=/src/cmake/mingw-i686.cmake" \
  "holds a windows build, and the native demo needs a native one"

echo "demo: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
