#!/bin/bash
# pdf_page_setup_check.sh QUENLOR-CLI
# The pdf command prints on the sheet a study's page parameters ask for,
# gives way to --paper/--margins, prints --header/--footer studies on every
# page, and falls back to its own page, with a warning, on absurd parameters.
set -u
cli=$1
for tool in pdfinfo pdftotext; do
    command -v $tool >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail=0
check() { if ! eval "$2"; then echo "FAIL: $1"; fail=1; fi; }

# A study of 60 lines on a landscape A4 sheet with 40 mm left and 10 mm right margins, mirrored.
study() { # $1: file, $2...: page parameter lines
    local f=$1; shift
    {
        printf -- '-8 1 3\r\n'
        for i in $(seq 1 60); do printf '0 1 0 0 0 0\r\nLinea%d del estudio\r\n' "$i"; done
        printf -- '-9 %d 0 0 0 0 7\r\n' $#
        for l in "$@"; do printf '%s\r\n' "$l"; done
    } > "$f"
}
page=(Units=2 PageWidth=210 PageHeight=297 LeftMargin=40 RightMargin=10 TopMargin=20 BottomMargin=20 HeaderY=10
      FooterY=10 Orientation=1 MirrorMargins=1)
study "$dir/a.rvf" "${page[@]}"
printf -- '-8 1 3\r\n0 1 0 0 0 0\r\nCabecera de prueba\r\n' > "$dir/h.rvf"
printf -- '-8 1 3\r\n0 1 0 0 0 0\r\nPie de prueba\r\n' > "$dir/f.rvf"

# xMin of a word on a page, in points, from pdftotext's bounding boxes.
xmin() { pdftotext -f "$2" -l "$2" -bbox "$1" - | grep ">$3<" | head -1 | sed 's/.*xMin="\([0-9.]*\)".*/\1/'; }
ymin() { pdftotext -f "$2" -l "$2" -bbox "$1" - | grep ">$3<" | head -1 | sed 's/.*yMin="\([0-9.]*\)".*/\1/'; }
between() { awk -v v="$1" -v a="$2" -v b="$3" 'BEGIN { exit !(v != "" && v >= a && v <= b) }'; }

"$cli" pdf "$dir/a.rvf" "$dir/a.pdf" >/dev/null 2>"$dir/err" || { echo "FAIL: pdf of the landscape study"; fail=1; }
check "the study's landscape A4" "pdfinfo '$dir/a.pdf' | grep -q 'Page size: *842 x 595 pts'"
pages=$(pdfinfo "$dir/a.pdf" | awk '/^Pages:/ { print $2 }')
check "sixty lines need two landscape pages" "[ '$pages' -ge 2 ]"
# Odd pages begin 40 mm (113.4 pt) from the left, even pages 10 mm (28.3 pt), plus the study's own few pixels.
first2=$(pdftotext -f 2 -l 2 "$dir/a.pdf" - | head -1 | awk '{ print $1 }')
check "page 1 starts 40 mm in" "between '$(xmin "$dir/a.pdf" 1 Linea1)' 113 122"
check "page 2 starts 10 mm in (mirrored)" "between '$(xmin "$dir/a.pdf" 2 "$first2")' 28 37"
check "no warning for sound parameters" "[ ! -s '$dir/err' ]"

"$cli" pdf "$dir/a.rvf" "$dir/b.pdf" --paper Letter --margins 30 >/dev/null 2>&1
check "--paper replaces the sheet" "pdfinfo '$dir/b.pdf' | grep -q 'Page size: *612 x 792 pts'"
check "--margins replaces the margins" "between '$(xmin "$dir/b.pdf" 1 Linea1)' 85 94"

"$cli" pdf "$dir/a.rvf" "$dir/c.pdf" --header "$dir/h.rvf" --footer "$dir/f.rvf" >/dev/null 2>&1
cpages=$(pdfinfo "$dir/c.pdf" | awk '/^Pages:/ { print $2 }')
check "the header on every page" "[ \$(pdftotext '$dir/c.pdf' - | grep -c Cabecera) -eq '$cpages' ]"
check "the footer on every page" "[ \$(pdftotext '$dir/c.pdf' - | grep -c 'Pie de prueba') -eq '$cpages' ]"
# The header's top is HeaderY = 10 mm (28.3 pt) from the sheet's top; the footer ends 10 mm above the bottom.
check "header 10 mm from the top" "between '$(ymin "$dir/c.pdf" 1 Cabecera)' 27 31"
check "footer above the bottom's 10 mm" "between '$(ymin "$dir/c.pdf" 1 Pie)' 540 567"
check "header on the mirrored page starts at its left margin" "between '$(xmin "$dir/c.pdf" 2 Cabecera)' 28 37"

study "$dir/bad.rvf" Units=2 LeftMargin=25.5 # millimetres, but the sheet left at 8.27 x 11.69
"$cli" pdf "$dir/bad.rvf" "$dir/bad.pdf" >/dev/null 2>"$dir/err" || { echo "FAIL: absurd parameters stop the pdf"; fail=1; }
check "absurd parameters: a warning" "grep -q 'se usan los valores predeterminados' '$dir/err'"
check "absurd parameters: A4 portrait" "pdfinfo '$dir/bad.pdf' | grep -q 'Page size: *595 x 842 pts'"
check "absurd parameters: 20 mm margins" "between '$(xmin "$dir/bad.pdf" 1 Linea1)' 56 65"
[ -n "${VERBOSE:-}" ] && echo "pages=$pages first2=$first2 x1=$(xmin "$dir/a.pdf" 1 Linea1) x2=$(xmin "$dir/a.pdf" 2 "$first2") hy=$(ymin "$dir/c.pdf" 1 Cabecera) fy=$(ymin "$dir/c.pdf" 1 Pie)"
exit $fail
