#!/usr/bin/env bash
# The main command: sets up the machine, builds the Windows product, loads
# kivren.dll into the host emulator panel_host under wine, plays the demo
# scenario, prints the conversation and writes a picture of the page.
#   bash scripts/demo.sh            the Windows DLL under wine
#   bash scripts/demo.sh --native   the native build, for quick iteration
set -euo pipefail
cd "$(dirname "$0")/.."

mode=windows
for arg in "$@"; do
  case "$arg" in
    --native) mode=native ;;
    -h|--help) sed -n '2,6p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "demo: unknown argument $arg (use --native or nothing)" >&2; exit 2 ;;
  esac
done

bash scripts/setup.sh
# DEMO_BUILD_DIR picks another build directory than the preset's own. A
# directory that holds a build already is used as it is, if it is of the
# kind the demo runs; an empty or new one is configured with the preset.
build=${DEMO_BUILD_DIR:-build/$mode}
out=build/demo
scenario=panels/kivren/scenarios/demo.scn

cache="$build/CMakeCache.txt"
if [ -f "$cache" ]; then
  held=native
  if grep -q '^CMAKE_TOOLCHAIN_FILE:[A-Z]*=.*mingw' "$cache"; then held=windows; fi
  if [ "$held" != "$mode" ]; then
    other="with --native"
    if [ "$mode" = native ]; then other="without --native"; fi
    echo "demo: $build holds a $held build, and the $mode demo needs a $mode one:" \
         "give DEMO_BUILD_DIR a $mode build (cmake --preset $mode -B DIR makes one), or run the demo $other" >&2
    exit 2
  fi
else
  cmake --preset "$mode" -B "$build" >/dev/null
fi
mkdir -p "$out"
cmake --build "$build" --target panel_host kivren

if [ "$mode" = windows ]; then
  echo "== kivren.dll in panel_host.exe under wine, scenario $scenario"
  # The build's own wine prefix and server, as its tests use them.
  prefix=$(sed -n 's/^QUON_WINEPREFIX:INTERNAL=//p' "$cache")
  # panel_host captures the panel's debugger texts into the conversation
  # itself, natively and under wine alike.
  bash cmake/wine_run.sh "${prefix:-$build/wine-prefix}" "$build/host/panel_host.exe" \
      run "$build/panels/kivren/kivren.dll" "$scenario" --out "$out"
else
  echo "== native kivren library in panel_host, scenario $scenario"
  # The scenario names kivren's devices file.
  "$build/host/panel_host" run "$build/panels/kivren/kivren.so" "$scenario" --out "$out"
fi
echo
echo "Picture of the page: $(pwd)/$out/page.svg"
