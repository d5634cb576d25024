#!/usr/bin/env bash
# One step of @NAME@'s CI, the same on every CI service and by hand:
#   bash ci/panel_ci.sh setup|native|windows|fuzz|coverage
# setup installs what the build needs (Debian 12, as root) and unpacks the
# quon SDK from QUON_SDK_URL (the release archive quon-sdk-VERSION-Linux.tar.gz)
# into .quon-sdk/. The others use the SDK of QUON_SDK, else the one in
# .quon-sdk/, else the one CMakePresets.json names, and run a preset:
#   native    build and test, then panel_host validate; its faults are saved
#             as scenarios in build/validate-failures/ (keep it as an artifact)
#   windows   @NAME@.dll, its tests under wine
#   fuzz      the fuzz target; a fault is saved in build/fuzz/fuzz_failures/
#   coverage  the HTML report of the lines the tests reach, build/coverage/coverage/
set -euo pipefail
cd "$(dirname "$0")/.."
step=${1-}

sdk=${QUON_SDK-}
if [ -z "$sdk" ] && [ -d .quon-sdk ]; then sdk=$(cd .quon-sdk/quon-sdk-* && pwd); fi
sdk_args=()
[ -z "$sdk" ] || sdk_args=(-Dquon_DIR="$sdk/lib/cmake/quon")
windows_args=()
[ -z "$sdk" ] || windows_args=(-DCMAKE_TOOLCHAIN_FILE="$sdk/lib/cmake/quon/mingw-i686.cmake")
panel_host=${sdk:+$sdk/bin/}panel_host

preset() { # NAME [configure args...]
  local name=$1
  shift
  cmake --preset "$name" "${sdk_args[@]}" "$@"
  cmake --build --preset "$name"
}

case $step in
  setup)
    dpkg --add-architecture i386
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends ca-certificates curl cmake ninja-build g++ libgtest-dev \
      googletest g++-mingw-w64-i686-posix wine wine32:i386 clang libclang-rt-14-dev gcovr python3 >/dev/null
    [ -n "${QUON_SDK_URL-}" ] || { echo "panel_ci: set QUON_SDK_URL to the SDK's release archive" >&2; exit 2; }
    rm -rf .quon-sdk && mkdir .quon-sdk
    curl -fsSL "$QUON_SDK_URL" | tar -xz -C .quon-sdk
    ;;
  native)
    preset native
    ctest --preset native
    rm -rf build/validate-failures
    "$panel_host" validate build/native/@NAME@.so --devices @NAME@.devices --save-failures build/validate-failures
    ;;
  windows)
    preset windows "${windows_args[@]}"
    ctest --preset windows
    ;;
  fuzz)
    preset fuzz
    ctest --preset fuzz
    ;;
  coverage)
    preset coverage
    ;;
  *)
    echo "usage: bash ci/panel_ci.sh setup|native|windows|fuzz|coverage" >&2
    exit 2
    ;;
esac
