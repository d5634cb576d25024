#!/usr/bin/env bash
# Formats the project's C++ sources with its .clang-format (third_party/ and
# the panel template aside). With --check, changes nothing and fails, naming
# the files, when one is not formatted.
set -euo pipefail
cd "$(dirname "$0")/.."
check=0
if [ "${1:-}" = "--check" ]; then check=1; fi
formatter=${CLANG_FORMAT:-clang-format}
if ! command -v "$formatter" >/dev/null 2>&1; then
  echo "format: $formatter not found (bash scripts/setup.sh installs it)" >&2
  exit 2
fi
# Tracked and new files alike, so a file not yet committed is checked too.
# The panel template is left alone: its @NAME@ markers are not C++ until
# a panel is made from it, and the formatter would split them.
mapfile -t files < <(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h' |
                     grep -v -e '^third_party/' -e '^scripts/panel_template/' |
                     while read -r f; do [ -f "$f" ] && echo "$f"; done)
if [ $check -eq 0 ]; then
  "$formatter" -i --style=file "${files[@]}"
  exit 0
fi
unformatted=()
for f in "${files[@]}"; do
  if ! "$formatter" --style=file --dry-run --Werror "$f" >/dev/null 2>&1; then unformatted+=("$f"); fi
done
if [ ${#unformatted[@]} -gt 0 ]; then
  echo "FAIL: not formatted (bash scripts/format.sh formats them): ${unformatted[*]}" >&2
  exit 1
fi
echo "format: ${#files[@]} files formatted"
