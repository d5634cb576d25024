#!/usr/bin/env bash
# Creates panels/NAME/ from scripts/panel_template/: a panel class with every
# handler, its factory, one scenario, a unit test and a CMakeLists.txt that is
# one quon_add_panel() call. Changes nothing outside panels/NAME/. (A panel in
# a project of its own comes from the installed SDK's bin/quon-new-panel.)
#   bash scripts/new_panel.sh NAME
# Then: cmake --preset native && cmake --build --preset native && ctest --preset native -R NAME
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/panel_name.sh

refuse() { echo "new_panel: $*" >&2; exit 2; }

[ $# -eq 1 ] || refuse "usage: bash scripts/new_panel.sh NAME"
name=$1
fault=$(panel_name_fault "$name")
[ -z "$fault" ] || refuse "$fault"
# Windows file names ignore case, so panels may not differ by case alone.
for existing in panels/*/; do
  existing=$(basename "$existing")
  [ "${existing,,}" = "${name,,}" ] && refuse "panels/$existing already exists"
done
# The panel's targets must be free: neither another panel's nor one of this
# project's own (read from its CMake files; \${...} in a name stands for anything).
taken=$(find . \( -path ./build -o -path ./panels -o -path ./third_party -o -path ./.git \) -prune -o \
          \( -name CMakeLists.txt -o -name '*.cmake' \) -type f -print0 |
        xargs -0 grep -hoE '(add_executable|add_library|add_custom_target|quon_add_test)\( *[A-Za-z0-9_${}]+' |
        sed -E 's/.*\( *//; s/\$\{[^}]*\}/*/g' | grep -v '^\*' | sort -u)
for existing in panels/*/; do
  existing=$(basename "$existing")
  taken+=$'\n'"$existing"$'\n'"${existing}_objects"$'\n'"${existing}_panel"$'\n'"${existing}_test"
done
while read -r pattern; do
  for target in "$name" "${name}_objects" "${name}_panel" "${name}_test"; do
    # shellcheck disable=SC2053 # the pattern is a glob on purpose
    [[ -n $pattern && $target == $pattern ]] && refuse "\"$name\": its target $target clashes with this project's target $pattern"
  done
done <<<"$taken"

target=panels/$name
staging=$(mktemp -d "panels/.${name}.XXXXXX")
trap 'rm -rf "$staging"' EXIT
copy_panel_template scripts/panel_template "$staging" "$name"
mv "$staging" "$target"
trap - EXIT
echo "new_panel: created $target/ ($(cd "$target" && find . -type f | sed 's#^\./##' | sort | tr '\n' ' '))"
echo "build and test it: cmake --preset native && cmake --build --preset native && ctest --preset native -R $name"
