#!/usr/bin/env bash
# Engines (store, document, layout, pagination, verse lookup) must build and run
# without the widget toolkit and without the layers above them, so the same code
# serves the reader, the command line and the tests. No production code, engine
# or not, may include or link the test doubles of tests/support.
# usage: check_layers.sh SRC_DIR QT_WIDGETS_INCLUDE_DIR [ENGINE:LIBRARY pairs that link upward]
#                        [TEST_SUPPORT_DIR [production targets that link the test support]]
set -u
src=${1:?source folder}
widgets=${2:?Qt Widgets include folder}
linking_up=${3:-}
support=${4:-}
linking_tests=${5:-}
[ -d "$widgets" ] || { echo "no Qt Widgets include folder: $widgets"; exit 2; }

declare -A widget_header
for h in "$widgets"/*; do widget_header[$(basename "$h")]=1; done

engine_files() {
  for d in xmlsql document verses; do
    [ -d "$src/$d" ] && find "$src/$d" -name '*.h' -o -name '*.cpp' -o -name '*.inc'
  done
  for d in viewer printing; do
    find "$src/$d" -maxdepth 1 \( -name '*.h' -o -name '*.cpp' \)
  done
}

status=0
for pair in ${linking_up//;/ }; do
  echo "${pair%%:*} links ${pair#*:}: the widget toolkit, Qt where none may be, or a layer above the engines"; status=1
done
while IFS= read -r file; do
  rel=${file#"$src"/}
  while IFS= read -r line; do
    [[ $line =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*[\<\"]([^\>\"]+)[\>\"] ]] || continue
    inc=${BASH_REMATCH[1]}
    name=${inc#QtWidgets/}
    if [[ $inc == QtWidgets/* || -n ${widget_header[$name]:-} ]]; then
      echo "$rel includes the widget header <$inc>"; status=1
    elif [[ $inc =~ ^(app|components|cli|viewer/widget|printing/widget)/ ]]; then
      echo "$rel includes \"$inc\" from a layer above the engines"; status=1
    elif [[ ($rel == xmlsql/* || $rel == verses/*) && $inc =~ ^Q ]]; then
      echo "$rel includes the Qt header <$inc>: the store and the verse lookup are standard C++ only"; status=1
    fi
  done < "$file"
done < <(engine_files)

# An include that reaches a test-support header: through tests/, as support/NAME,
# or by a bare name that no file of src/ answers to.
declare -A support_header
if [ -n "$support" ]; then
  for h in "$support"/*.h; do [ -e "$h" ] && support_header[${h##*/}]=1; done
fi
for target in ${linking_tests//;/ }; do
  echo "$target links the test support library: test doubles in a production program or library"; status=1
done
while IFS= read -r hit; do
  file=${hit%%:*}
  line=${hit#*:}
  [[ $line =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*[\<\"]([^\>\"]+)[\>\"] ]] || continue
  inc=${BASH_REMATCH[1]}
  base=${inc##*/}
  if [[ $inc =~ (^|/)tests/ ]] ||
     [[ -n ${support_header[$base]:-} && ( $inc == support/* || ( ! -e "${file%/*}/$inc" && ! -e "$src/$inc" ) ) ]]; then
    echo "${file#"$src"/} includes \"$inc\" from the test support: production code must not use test doubles"; status=1
  fi
done < <(grep -rE --include='*.h' --include='*.cpp' --include='*.inc' '^[[:space:]]*#[[:space:]]*include' "$src")
[ $status = 0 ] && echo "engines include and link no widget code and nothing from the layers above; no production code uses the test support"
exit $status
