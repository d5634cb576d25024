# panel_name_fault NAME: prints why NAME cannot name a panel (its class, its
# library, its files), or nothing when it can. Sourced by new_panel.sh and
# quon-new-panel.
panel_name_fault() {
  local name=$1 keyword
  if ! [[ $name =~ ^[A-Za-z_][A-Za-z0-9_]*$ ]]; then
    echo "\"$name\" is not a C identifier (letters, digits, _; not starting with a digit)"
    return
  fi
  for keyword in alignas alignof and and_eq asm auto bitand bitor bool break case catch char char16_t char32_t \
      class compl const constexpr const_cast continue decltype default delete do double dynamic_cast else enum \
      explicit export extern false float for friend goto if inline int long mutable namespace new noexcept not \
      not_eq nullptr operator or or_eq private protected public register reinterpret_cast restrict return short \
      signed sizeof static static_assert static_cast struct switch template this thread_local throw true try \
      typedef typeid typename union unsigned using virtual void volatile wchar_t while xor xor_eq; do
    if [ "$keyword" = "$name" ]; then
      echo "\"$name\" is a C or C++ keyword"
      return
    fi
  done
  if [[ $name == quon_* ]]; then
    echo "\"$name\": names beginning with quon_ belong to the framework"
  fi
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
