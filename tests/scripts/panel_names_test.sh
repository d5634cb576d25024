#!/usr/bin/env bash
# Which names make a panel, through new_panel.sh on a copy of the tree, and
# which folders take a project, through quon-new-panel in an SDK laid out
# from the tree (both share scripts/panel_name.sh). Every refusal is one line
# on stderr with the reason, exit status 2, and leaves nothing behind.
#   panel_names_test.sh SOURCE_DIR
set -euo pipefail
source_dir=$1
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

mkdir "$work/tree"
(cd "$source_dir" && git ls-files -z -co --exclude-standard | tar --null -T - -cf -) | (cd "$work/tree" && tar xf -)
long=$(printf 'p%.0s' {1..300})
max=$(printf 'q%.0s' {1..64})

# refused WHY COMMAND...: exit 2, one line on stderr holding WHY, no stdout.
refused() {
  local why=$1 status=0
  shift
  "$@" >"$work/out" 2>"$work/err" || status=$?
  if [ "$status" -ne 2 ]; then fail "${*: -2}: exit $status, not 2"; return; fi
  [ ! -s "$work/out" ] || fail "${*: -2}: wrote to stdout: $(cat "$work/out")"
  [ "$(wc -l <"$work/err")" -eq 1 ] || fail "${*: -2}: not one line: $(cat "$work/err")"
  grep -qF -- "$why" "$work/err" || fail "${*: -2}: \"$(cat "$work/err")\" does not say \"$why\""
}

# Names, through new_panel.sh. NAME|what the refusal says
cd "$work/tree"
panels_before=$(ls -A panels)
while IFS='|' read -r name why; do
  refused "$why" bash scripts/new_panel.sh "$name"
done <<NAMES
test|target name CMake reserves
all|target name CMake reserves
install|target name CMake reserves
clean|target name CMake reserves
help|target name CMake reserves
package|target name CMake reserves
package_source|target name CMake reserves
edit_cache|target name CMake reserves
rebuild_cache|target name CMake reserves
list_install_components|target name CMake reserves
RUN_TESTS|lowercase letter
ZERO_CHECK|lowercase letter
ExperimentalTest|CTest's targets
NightlyMemoryCheck|CTest's targets
std|standard library
errno|standard library
stdin|standard library
stderr|standard library
assert|standard library
offsetof|standard library
time|standard library
main|special meaning
NULL|lowercase letter
EOF|lowercase letter
_Foo|leading or a double underscore
_panel|leading or a double underscore
a__b|leading or a double underscore
class|keyword
co_await|keyword
xor_eq|keyword
interface|Windows headers
size_t|ending in _t
quon|belong to the framework
quon_panel|belong to the framework
con|device name on Windows
Com1|device name on Windows
|needs a name
$long|300 characters long
${max}x|65 characters long
9lives|not a C identifier
two words|not a C identifier
a-b|not a C identifier
kivren|already exists
Kivren|already exists
kivren_test|target kivren_test clashes
panel_host|target panel_host clashes
panel_host_base|clashes with this project's target panel_host_*
docs|target docs clashes
NAMES
refused "usage" bash scripts/new_panel.sh a b
[ "$(ls -A panels)" = "$panels_before" ] || fail "a refused name left something in panels/: $(ls -A panels)"

for name in router_status tx1_gpi Studio2 a "$max" my_quon standard errno_wall; do
  if bash scripts/new_panel.sh "$name" >/dev/null 2>"$work/err"; then
    [ -f "panels/$name/$name.cpp" ] || fail "$name: accepted, but panels/$name/$name.cpp is missing"
    rm -rf "panels/$name"
  else
    fail "$name was refused: $(cat "$work/err")"
  fi
done

# Folders, through quon-new-panel of an SDK laid out as install_sdk.sh lays it.
sdk=$work/sdk
mkdir -p "$sdk/bin" "$sdk/share/quon" "$sdk/lib/cmake/quon"
cp scripts/quon-new-panel "$sdk/bin/"
cp -r scripts/panel_name.sh scripts/panel_reserved_names.txt scripts/panel_template scripts/panel_standalone "$sdk/share/quon/"
cp cmake/quonConfig.cmake "$sdk/lib/cmake/quon/"
new=$sdk/bin/quon-new-panel
cd "$work"
mkdir full && touch full/kept file
while IFS='|' read -r dir why; do
  refused "$why" "$new" zed "$dir"
done <<DIRS
|DIR is empty
/|cannot be the project's folder
full|is not empty
file|exists and is not a folder
missing/zed|missing does not exist
$work/$long/zed|a file system takes at most 255
DIRS
if [ "$(id -u)" -ne 0 ]; then # root writes anywhere
  mkdir locked && chmod a-w locked
  refused "is not writable" "$new" zed locked/zed
  chmod u+w locked && rmdir locked
fi
refused "target name CMake reserves" "$new" test "$work/p"
refused "usage" "$new" zed
[ "$(ls -A "$work" | sort | tr '\n' ' ')" = "err file full out sdk tree " ] || fail "a refusal left something behind: $(ls -A "$work")"

mkdir empty
for dir in new_project empty "$work/nested/"; do
  [ "$dir" != "$work/nested/" ] || mkdir nested
  "$new" zed "$dir" >/dev/null 2>"$work/err" || fail "quon-new-panel zed $dir: $(cat "$work/err")"
  [ -f "$dir/zed.cpp" ] || fail "quon-new-panel zed $dir: no zed.cpp"
done

[ "$failures" -eq 0 ] || exit 1
echo "panel names test passed"
