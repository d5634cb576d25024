#!/usr/bin/env bash
# Creates panels/NAME/ from scripts/panel_template/: a panel class with every
# handler, its factory, one scenario and a CMakeLists.txt that is one
# quon_add_panel() call. Changes nothing outside panels/NAME/.
#   bash scripts/new_panel.sh NAME
# Then: cmake --preset native && cmake --build --preset native && ctest --preset native -R NAME
set -euo pipefail
cd "$(dirname "$0")/.."

refuse() { echo "new_panel: $*" >&2; exit 2; }

[ $# -eq 1 ] || refuse "usage: bash scripts/new_panel.sh NAME"
name=$1
[[ $name =~ ^[A-Za-z_][A-Za-z0-9_]*$ ]] || refuse "\"$name\" is not a C identifier (letters, digits, _; not starting with a digit)"
keywords="alignas alignof and and_eq asm auto bitand bitor bool break case catch char char16_t char32_t class
 compl const constexpr const_cast continue decltype default delete do double dynamic_cast else enum explicit
 export extern false float for friend goto if inline int long mutable namespace new noexcept not not_eq nullptr
 operator or or_eq private protected public register reinterpret_cast restrict return short signed sizeof static
 static_assert static_cast struct switch template this thread_local throw true try typedef typeid typename union
 unsigned using virtual void volatile wchar_t while xor xor_eq"
for keyword in $keywords; do
  [ "$keyword" = "$name" ] && refuse "\"$name\" is a C or C++ keyword"
done
[[ $name == quon_* ]] && refuse "\"$name\": names beginning with quon_ belong to the framework"
# Windows file names ignore case, so panels may not differ by case alone.
for existing in panels/*/; do
  existing=$(basename "$existing")
  [ "${existing,,}" = "${name,,}" ] && refuse "panels/$existing already exists"
done

template=scripts/panel_template
target=panels/$name
guard=$(echo "$name" | tr '[:lower:]' '[:upper:]')_H
staging=$(mktemp -d "panels/.${name}.XXXXXX")
trap 'rm -rf "$staging"' EXIT
( cd "$template" && find . -type f ) | while read -r file; do
  out="$staging/${file//NAME/$name}"
  mkdir -p "$(dirname "$out")"
  sed -e "s/@NAME@/$name/g" -e "s/@GUARD@/$guard/g" "$template/$file" > "$out"
done
mv "$staging" "$target"
trap - EXIT
echo "new_panel: created $target/ ($(cd "$target" && find . -type f | sed 's#^\./##' | sort | tr '\n' ' '))"
echo "build and test it: cmake --preset native && cmake --build --preset native && ctest --preset native -R $name"
