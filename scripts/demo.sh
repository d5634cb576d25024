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
# DEMO_BUILD_DIR picks another build directory than the preset's own.
build=${DEMO_BUILD_DIR:-build/$mode}
out=build/demo
mkdir -p "$out"
scenario=panels/kivren/scenarios/demo.scn

if [ "$mode" = windows ]; then
  # The first wine start creates its prefix; do it quietly before the run.
  WINEDEBUG=-all wine cmd /c exit >/dev/null 2>&1 || true
  cmake --preset windows -B "$build" >/dev/null
  cmake --build "$build" --target panel_host kivren
  echo "== kivren.dll in panel_host.exe under wine, scenario $scenario"
  # +debugstr lets the panel's debugger texts through; they are shown in
  # the conversation where the panel wrote them.
  WINEDEBUG=-all,+debugstr wine "$build/host/panel_host.exe" run "$build/panels/kivren/kivren.dll" \
      "$scenario" --out "$out" 2>&1 |
    sed -E 's/^[0-9a-f]+:[a-z]+:debugstr:OutputDebugStringA (.*)$/  debug text: \1/'
else
  cmake --preset native -B "$build" >/dev/null
  cmake --build "$build" --target panel_host kivren
  echo "== native kivren library in panel_host, scenario $scenario"
  # Natively panel_host captures the panel's debugger texts into the conversation;
  # the scenario names kivren's devices file.
  "$build/host/panel_host" run "$build/panels/kivren/kivren.so" "$scenario" --out "$out"
fi
echo
echo "Picture of the page: $(pwd)/$out/page.svg"
