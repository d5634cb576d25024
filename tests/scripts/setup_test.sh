#!/usr/bin/env bash
# scripts/setup.sh as a user who is not root, on a machine without sudo:
# with everything installed it passes; with something missing it names what
# is missing and the one command that installs it, and fails. dpkg and
# dpkg-query are stand-ins that report the machine each case describes.
#   setup_test.sh PATH/TO/setup.sh
set -u
if command -v sudo >/dev/null 2>&1; then
  echo "setup_test: this machine has sudo; the case without it cannot be made here"
  exit 77
fi
shims=$(mktemp -d)
chmod 755 "$shims"
trap 'rm -rf "$shims"' EXIT
# A copy the other user can read wherever the tree lies.
setup="$shims/setup.sh"
cp "$1" "$setup"
chmod 644 "$setup"
cat >"$shims/dpkg-query" <<'SHIM'
#!/bin/sh
for p in $SETUP_TEST_MISSING; do [ "$p" = "$3" ] && exit 1; done
printf 'install ok installed'
SHIM
cat >"$shims/dpkg" <<'SHIM'
#!/bin/sh
[ -n "$SETUP_TEST_NO_I386" ] || echo i386
SHIM
chmod 755 "$shims/dpkg-query" "$shims/dpkg"

# As root the script would install; run it as nobody, as a user would.
as_user=()
if [ "$(id -u)" -eq 0 ]; then as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups); fi

passed=0
failed=0
# case WANT-STATUS MISSING NO-I386 PATTERN... : every pattern must be in the output
case_() {
  local want=$1 missing=$2 no_i386=$3 out status
  shift 3
  out=$(cd / && env PATH="$shims:$PATH" SETUP_TEST_MISSING="$missing" SETUP_TEST_NO_I386="$no_i386" \
        "${as_user[@]}" bash "$setup" 2>&1)
  status=$?
  local ok=1
  if [ "$want" = 0 ] && [ $status -ne 0 ]; then ok=0; fi
  if [ "$want" != 0 ] && [ $status -eq 0 ]; then ok=0; fi
  for pattern in "$@"; do grep -Eq -- "$pattern" <<<"$out" || ok=0; done
  if grep -q 'command not found' <<<"$out"; then ok=0; fi
  if [ $ok -eq 1 ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL: missing \"$missing\"${no_i386:+, no i386}: status $status, output:"
    sed 's/^/    /' <<<"$out"
  fi
}

case_ 0 "" "" "everything is installed"
case_ 1 "wine valgrind" "" "missing: wine valgrind" \
  "^  apt-get update && apt-get install -y --no-install-recommends wine valgrind$"
case_ 1 "wine32:i386" 1 "i386 architecture" \
  "^  dpkg --add-architecture i386 && apt-get update && apt-get install -y --no-install-recommends wine32:i386$"

echo "setup: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
