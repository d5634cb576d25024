# panel_name_fault NAME: prints why NAME cannot name a panel (its class, its
# library, its CMake targets, its files), or nothing when it can. Sourced by
# new_panel.sh and quon-new-panel; the names it refuses by list are in
# panel_reserved_names.txt beside it.
panel_name_max=64 # with NAME_test.cpp and NAME.devices, far below any file system's limit

panel_name_fault() {
  local name=$1 shown=${1:0:24} group names match
  [ ${#1} -le 24 ] || shown="$shown..."
  if [ -z "$name" ]; then
    echo "a panel needs a name"
  elif [ ${#name} -gt $panel_name_max ]; then
    echo "\"$shown\" is ${#name} characters long: a panel name has at most $panel_name_max"
  elif ! [[ $name =~ ^[A-Za-z_][A-Za-z0-9_]*$ ]]; then
    echo "\"$shown\" is not a C identifier (letters, digits, _; not starting with a digit)"
  elif [[ $name == _* || $name == *__* ]]; then
    echo "\"$name\": names with a leading or a double underscore are reserved to the compiler and its library"
  elif ! [[ $name =~ [a-z] ]]; then
    echo "\"$name\": a panel name needs a lowercase letter (names in capitals only are macros' names, such as NULL, EOF or ERROR)"
  elif [[ $name == *_t ]]; then
    echo "\"$name\": names ending in _t are reserved for the system's types"
  elif [[ $name == quon || $name == quon_* ]]; then
    echo "\"$name\": quon and names beginning with quon_ belong to the framework"
  elif [[ $name =~ ^(Experimental|Nightly|Continuous) ]]; then
    echo "\"$name\": names beginning with Experimental, Nightly or Continuous are CTest's targets"
  else
    while read -r group names; do
      [[ $group == \#* || -z $group ]] && continue
      match=$name
      [ "$group" = windows-device ] && match=${name,,} # whatever their case
      if [[ " $names " == *" $match "* ]]; then
        panel_name_reason "$name" "$group"
        return
      fi
    done <"${panel_name_list:-$(dirname "${BASH_SOURCE[0]}")/panel_reserved_names.txt}"
  fi
}

# panel_name_reason NAME GROUP: the refusal of a name on the list, by its group.
panel_name_reason() {
  case $2 in
    keyword) echo "\"$1\" is a C or C++ keyword" ;;
    special-identifier) echo "\"$1\" is an identifier with a special meaning in C++" ;;
    cmake-target) echo "\"$1\" is a target name CMake reserves" ;;
    windows-device) echo "\"$1\" is a device name on Windows: no file may be called $1.dll" ;;
    standard-library) echo "\"$1\" is a name of the C or C++ standard library" ;;
    windows-headers) echo "\"$1\" is a macro or type of the Windows headers: the Windows build would fail" ;;
    *) echo "\"$1\" is reserved ($2)" ;;
  esac
}

# copy_panel_template TEMPLATE_DIR OUT_DIR NAME: the template's files with
# NAME in their names and contents (@NAME@, @GUARD@ and @SDK@ replaced).
copy_panel_template() {
  local template=$1 out_dir=$2 name=$3 file out
  local guard
  guard=$(echo "$name" | tr '[:lower:]' '[:upper:]')_H
  ( cd "$template" && find . -type f ) | while read -r file; do
    out="$out_dir/${file//NAME/$name}"
    mkdir -p "$(dirname "$out")"
    sed -e "s/@NAME@/$name/g" -e "s/@GUARD@/$guard/g" -e "s#@SDK@#${QUON_SDK-}#g" "$template/$file" > "$out"
  done
}
