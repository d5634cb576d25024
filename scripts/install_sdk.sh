#!/usr/bin/env bash
# Builds the SDK for panel scripts and installs it into PREFIX: release
# builds, no tests, for Linux and for 32-bit Windows (mingw-w64) into the one
# prefix: headers, the framework and string libraries of both, the CMake
# package (find_package(quon)), panel_host and panel_host.exe, quon-new-panel
# and the docs with the API reference.
#   bash scripts/install_sdk.sh PREFIX
#   bash scripts/install_sdk.sh --builds LINUX_BUILD WINDOWS_BUILD PREFIX
#     installs two builds made before (a native one and a mingw-w64 one, of
#     this tree) as they are, without building them: what the tests archive
# PREFIX is new, empty, or an SDK installed before, which is replaced whole
# once the new one is complete: a failure leaves PREFIX as it was.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)

refuse() { echo "install_sdk: $*" >&2; exit 2; }
usage="usage: bash scripts/install_sdk.sh [--builds LINUX_BUILD WINDOWS_BUILD] PREFIX (a new or empty folder, or an SDK to replace)"

declare -A built=()
if [ "${1-}" = --builds ]; then
  [ $# -eq 4 ] || refuse "$usage"
  for flavour in linux windows; do
    [ "$flavour" = linux ] && dir=$2 || dir=$3
    cache=$dir/CMakeCache.txt
    [ -f "$cache" ] || refuse "$dir is not a build folder"
    [ "$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$cache")" = "$source_dir" ] || refuse "$dir is not a build of $source_dir"
    cross=no
    ! grep -q '^CMAKE_TOOLCHAIN_FILE:[A-Z]*=.*mingw' "$cache" || cross=yes
    [ "$cross" = "$([ "$flavour" = windows ] && echo yes || echo no)" ] || refuse "$dir is not a $flavour build"
    built[$flavour]=$(cd "$dir" && pwd)
  done
  shift 3
fi
[ $# -eq 1 ] && [ -n "$1" ] || refuse "$usage"
prefix=$1
[[ $prefix == /* ]] || prefix=$PWD/$prefix
prefix=${prefix%/}
version=$(sed -n 's/^project([A-Za-z_]* VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
[ -n "$version" ] || refuse "no project version in $source_dir/CMakeLists.txt"

# The nearest folder that exists must take the new tree (made beside PREFIX).
parent=$(dirname "$prefix")
existing=$parent
while [ ! -d "$existing" ]; do existing=$(dirname "$existing"); done
[ -w "$existing" ] || refuse "$existing is not writable: choose a PREFIX you may write to"

# One install at a time into a folder: the lock is on the folder PREFIX is
# made in (flock on the folder itself, so nothing is left behind), taken
# before anything is built and held to the end. Build steps get descriptor 9
# closed, so that nothing they leave running holds it.
mkdir -p "$parent"
exec 9<"$parent"
flock -n 9 || refuse "another install into $parent is running: try again when it has finished"

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

# Each step runs in a session of its own: a stopped install (SIGTERM, SIGINT,
# SIGHUP) ends the step and all it started, waits for them, removes what it
# made and leaves PREFIX as it was. The session, not the process group: ninja
# puts each compiler in a group of its own, which a stop must reach too.
step=
run_step() {
  setsid "$@" 9<&- &
  step=$!
  local status=0
  wait "$step" || status=$?
  step=
  return $status
}
# Whether a process of session $1 still runs (one that has ended, not yet
# reaped, does not count).
running_in_session() { ps -o stat= -s "$1" 2>/dev/null | grep -q '^[^Z]'; }
stop() { # SIGNAL NUMBER
  trap '' TERM INT HUP
  if [ -n "$step" ]; then
    pkill -TERM -s "$step" 2>/dev/null || true
    for _ in $(seq 100); do # ten seconds for ninja to stop its compilers, then no more
      running_in_session "$step" || break
      sleep 0.1
    done
    pkill -KILL -s "$step" 2>/dev/null || true
    wait "$step" 2>/dev/null || true
    while running_in_session "$step"; do sleep 0.1; done # killed: gone at once
  fi
  echo "install_sdk: stopped by SIG$1; $prefix is as it was" >&2
  exit $((128 + $2))
}
trap 'stop TERM 15' TERM
trap 'stop INT 2' INT
trap 'stop HUP 1' HUP

if [ ${#built[@]} -eq 0 ]; then
  # Build folders of this PREFIX's own: installs into other prefixes from
  # this tree at the same time use others.
  build=$source_dir/build/sdk-$(printf '%s' "$prefix" | md5sum | cut -c1-12)
  echo "install_sdk: building SDK $version (Linux and Windows, release, no tests) in $build"
  configure() { # NAME [cmake args...]
    local name=$1; shift
    run_step cmake -S "$source_dir" -B "$build/$name" -G Ninja -DCMAKE_BUILD_TYPE=Release \
          -DQUON_BUILD_TESTS=OFF -DQUON_BUILD_PANELS=OFF "$@" >/dev/null
    run_step cmake --build "$build/$name"
  }
  configure linux
  configure windows -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-i686.cmake"
  built=([linux]=$build/linux [windows]=$build/windows)
fi
# The API reference (doxygen) is the Linux build's, installed with it.
run_step cmake --build "${built[linux]}" --target docs

staging=$(mktemp -d "$parent/.quon-sdk.XXXXXX")
trap 'rm -rf "$staging"' EXIT
for name in linux windows; do
  run_step cmake --install "${built[$name]}" --prefix "$staging" >/dev/null
done
chmod 755 "$staging"
# Only now is PREFIX touched: the old tree is moved aside, the new one in. A
# signal meanwhile waits for the two moves, so PREFIX is never missing.
late=
trap 'late=TERM' TERM
trap 'late=INT' INT
trap 'late=HUP' HUP
if [ -e "$prefix" ]; then
  mv "$prefix" "$staging.old"
fi
mv "$staging" "$prefix"
trap - EXIT
rm -rf "$staging.old"
echo "install_sdk: SDK $version installed in $prefix; start a panel with $prefix/bin/quon-new-panel NAME DIR"
[ -z "$late" ] || echo "install_sdk: SIG$late came while $prefix was being replaced: the install was completed first" >&2
