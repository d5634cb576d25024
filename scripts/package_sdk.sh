#!/usr/bin/env bash
# Makes the SDK's release archive, quon-sdk-VERSION-Linux.tar.gz: the SDK as
# install_sdk.sh installs it (the Linux and the 32-bit Windows libraries,
# panel_host and panel_host.exe, the docs, the examples) under one top folder,
# quon-sdk-VERSION/. The tree is relocatable: unpacked anywhere, its
# bin/quon-new-panel makes projects that build with it.
#   bash scripts/package_sdk.sh [OUT_DIR]
#     installs into build/package/quon-sdk-VERSION with install_sdk.sh (its
#     build folders are kept between runs), then archives it
#   bash scripts/package_sdk.sh --from PREFIX [OUT_DIR]
#     archives an SDK installed before, as it is
#   bash scripts/package_sdk.sh --builds LINUX_BUILD WINDOWS_BUILD [OUT_DIR]
#     installs two builds made before with install_sdk.sh --builds into a
#     temporary prefix and archives it (the package test's archive, made
#     from the suite's native and windows builds)
# OUT_DIR (the current folder by default) gets the archive whole or not at all.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)

refuse() { echo "package_sdk: $*" >&2; exit 2; }
usage="usage: bash scripts/package_sdk.sh [--from PREFIX | --builds LINUX_BUILD WINDOWS_BUILD] [OUT_DIR]"

from= builds=()
if [ "${1-}" = --from ]; then
  [ $# -ge 2 ] && [ -n "$2" ] || refuse "$usage"
  from=$2
  shift 2
elif [ "${1-}" = --builds ]; then
  [ $# -ge 3 ] && [ -n "$2" ] && [ -n "$3" ] || refuse "$usage"
  builds=("$2" "$3")
  shift 3
fi
[ $# -le 1 ] || refuse "$usage"
out_dir=${1:-.}
[ -d "$out_dir" ] && [ -w "$out_dir" ] || refuse "$out_dir is not a folder you may write to"
out_dir=$(cd "$out_dir" && pwd)

made=
trap '[ -z "$made" ] || rm -rf "$made"' EXIT
if [ -n "$from" ]; then
  prefix=$(cd "$from" 2>/dev/null && pwd) || refuse "$from is not a folder"
elif [ ${#builds[@]} -gt 0 ]; then
  made=$(mktemp -d "$out_dir/.quon-sdk-install.XXXXXX")
  prefix=$made/sdk
  bash "$source_dir/scripts/install_sdk.sh" --builds "${builds[@]}" "$prefix" >/dev/null
else
  version=$(sed -n 's/^project([A-Za-z_]* VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
  [ -n "$version" ] || refuse "no project version in $source_dir/CMakeLists.txt"
  prefix=$source_dir/build/package/quon-sdk-$version
  bash "$source_dir/scripts/install_sdk.sh" "$prefix"
fi

config_version=$prefix/lib/cmake/quon/quonConfigVersion.cmake
[ -f "$config_version" ] && [ -x "$prefix/bin/quon-new-panel" ] || refuse "$prefix holds no quon SDK"
version=$(sed -n 's/^set(PACKAGE_VERSION "\(.*\)")$/\1/p' "$config_version")
[ -n "$version" ] || refuse "$config_version names no version"
toolchains=
for flavour in linux windows; do
  [ ! -f "$prefix/lib/cmake/quon/quonTargets-$flavour.cmake" ] || toolchains="$toolchains $flavour"
done

# The entries are named from the top folder, in a fixed order and owned by
# no one in particular, so that two archives of one tree are the same bytes
# but for the times. The archive is written beside its final name and moved.
top=quon-sdk-$version
archive=$out_dir/$top-Linux.tar.gz
partial=$(mktemp "$out_dir/.$top.XXXXXX")
trap 'rm -f "$partial"; [ -z "$made" ] || rm -rf "$made"' EXIT
tar -C "$prefix" --transform "s,^\\.,$top,S" --sort=name --owner=0 --group=0 --numeric-owner \
    -czf "$partial" .
chmod 644 "$partial"
mv "$partial" "$archive"
trap '[ -z "$made" ] || rm -rf "$made"' EXIT
echo "package_sdk: $archive ($top/, toolchains:${toolchains:- none}, $(du -h "$archive" | cut -f1))"
