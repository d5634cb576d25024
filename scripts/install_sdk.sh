#!/usr/bin/env bash
# Builds the SDK for panel scripts and installs it into PREFIX: release
# builds, no tests, for Linux and for 32-bit Windows (mingw-w64) into the one
# prefix: headers, the framework and string libraries of both, the CMake
# package (find_package(quon)), panel_host and panel_host.exe, quon-new-panel
# and the docs with the API reference.
#   bash scripts/install_sdk.sh PREFIX
# PREFIX is new, empty, or an SDK installed before, which is replaced whole
# once the new one is complete: a failure leaves PREFIX as it was.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)

refuse() { echo "install_sdk: $*" >&2; exit 2; }

[ $# -eq 1 ] && [ -n "$1" ] || refuse "usage: bash scripts/install_sdk.sh PREFIX (a new or empty folder, or an SDK to replace)"
prefix=$1
[[ $prefix == /* ]] || prefix=$PWD/$prefix
prefix=${prefix%/}
version=$(sed -n 's/^project([A-Za-z_]* VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
[ -n "$version" ] || refuse "no project version in $source_dir/CMakeLists.txt"

# What is in PREFIX now: nothing, or an SDK of some version.
config_version=$prefix/lib/cmake/quon/quonConfigVersion.cmake
if [ -e "$prefix" ]; then
  [ -d "$prefix" ] || refuse "$prefix exists and is not a folder"
  if [ -n "$(ls -A "$prefix")" ]; then
    [ -f "$config_version" ] || refuse "$prefix is not empty and holds no quon SDK: choose a new or empty folder"
    old=$(sed -n 's/^set(PACKAGE_VERSION "\(.*\)")$/\1/p' "$config_version")
    newest=$(printf '%s\n%s\n' "$old" "$version" | sort -V | tail -n 1)
    [ "$newest" = "$version" ] || refuse "$prefix holds SDK $old, newer than this one ($version): remove it first"
    echo "install_sdk: replacing SDK $old in $prefix with $version"
  fi
fi
# The nearest folder that exists must take the new tree (made beside PREFIX).
parent=$(dirname "$prefix")
existing=$parent
while [ ! -d "$existing" ]; do existing=$(dirname "$existing"); done
[ -w "$existing" ] || refuse "$existing is not writable: choose a PREFIX you may write to"

echo "install_sdk: building SDK $version (Linux and Windows, release, no tests)"
configure() { # NAME [cmake args...]
  local name=$1; shift
  cmake -S "$source_dir" -B "$source_dir/build/sdk-$name" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DQUON_BUILD_TESTS=OFF -DQUON_BUILD_PANELS=OFF "$@" >/dev/null
  cmake --build "$source_dir/build/sdk-$name"
}
configure linux
cmake --build "$source_dir/build/sdk-linux" --target docs
configure windows -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-i686.cmake"

mkdir -p "$parent"
staging=$(mktemp -d "$parent/.quon-sdk.XXXXXX")
trap 'rm -rf "$staging"' EXIT
for name in linux windows; do
  cmake --install "$source_dir/build/sdk-$name" --prefix "$staging" >/dev/null
done
chmod 755 "$staging"
# Only now is PREFIX touched: the old tree is moved aside, the new one in.
if [ -e "$prefix" ]; then
  mv "$prefix" "$staging.old"
fi
mv "$staging" "$prefix"
rm -rf "$staging.old"
trap - EXIT
echo "install_sdk: SDK $version installed in $prefix; start a panel with $prefix/bin/quon-new-panel NAME DIR"
