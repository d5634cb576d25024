#!/usr/bin/env bash
# Makes docs/studio-example.png: plays the studio scenario with both panels
# of a native build and puts the two pages' snapshots one above the other,
# each cut to its own part of the shared layout (rsvg-convert, librsvg2-bin).
#   studio_picture.sh [BUILD_DIR] [OUT.png]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
build=${1:-$root/build/native}
out=${2:-$root/docs/studio-example.png}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/host/panel_host" run "$build/panels/router_control/router_control.so" "$build/panels/kivren/kivren.so" \
  "$here/studio_with_kivren.scn" --strict --out "$work" >"$work/run.txt" ||
  { cat "$work/run.txt" >&2; exit 1; }
# The layout puts kivren's controls at y 64 to 1014, router_control's at 1104 to 1536.
cat >"$work/both.svg" <<'SVG'
<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" width="1036" height="1560" viewBox="0 0 1036 1560" font-family="DejaVu Sans, Arial, Helvetica, sans-serif">
<rect width="100%" height="100%" fill="#0d1117"/>
<text x="20" y="34" font-size="22" font-weight="bold" fill="#f0f6fc">router_control</text>
<text x="210" y="34" font-size="15" fill="#8d949c">script 1: DST 5 picked, SRC 12 routed to it with XR 3 5 12</text>
<svg x="0" y="44" width="1036" height="490" viewBox="0 1060 1036 490"><image width="1036" height="1580" xlink:href="router_control.svg"/></svg>
<line x1="0" y1="540" x2="1036" y2="540" stroke="#8d949c" stroke-width="2"/>
<text x="20" y="578" font-size="22" font-weight="bold" fill="#f0f6fc">kivren</text>
<text x="110" y="578" font-size="15" fill="#8d949c">script 2: Mon_5 shows source 12, Mon_9 parked, both from router 3's reports</text>
<svg x="0" y="590" width="1036" height="970" viewBox="0 44 1036 970"><image width="1036" height="1580" xlink:href="kivren.svg"/></svg>
</svg>
SVG
rsvg-convert "$work/both.svg" -o "$out"
echo "wrote $out"
