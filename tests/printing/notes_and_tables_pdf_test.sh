#!/usr/bin/env bash
# The notes and table samples printed into PDFs on small pages: nothing of a
# note's text is lost or doubled, footnote numbers start again on every page,
# endnote pages are counted, and a table cut over pages repeats its heading
# row on every part.
#
# usage: notes_and_tables_pdf_test.sh QUENLOR_CLI DATA_DIR
# Exits 77 (skipped) without poppler's pdftotext and pdfinfo.
set -uo pipefail

cli=$1 data=$2
for tool in pdftotext pdfinfo; do
    command -v "$tool" >/dev/null 2>&1 || { echo "SKIPPED: $tool is not installed (poppler-utils)" >&2; exit 77; }
done
fail() {
    echo "FAILED: $*" >&2
    exit 1
}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Notas.rvf on a landscape A4 with 85 mm margins: three pages, the last one
# the endnote's continuation of the text.
out=$("$cli" pdf "$data/Estudios/Notas.rvf" "$tmp/notas.pdf" --landscape --margins 85) || fail "pdf: $out"
[ "$out" = "pages: 3" ] || fail "expected 3 pages, got '$out'"
[ "$(pdfinfo "$tmp/notas.pdf" | awk '/^Pages:/ {print $2}')" = 3 ] || fail "the PDF has not 3 pages"
text=$(pdftotext "$tmp/notas.pdf" - | tr '\n' ' ' | tr -s ' ')
for phrase in "traduce el adverbio griego" "único en su clase" "Sobre el tiempo del verbo" \
              "la vida eterna empieza ya ahora"; do
    n=$(grep -o "$phrase" <<<"$text" | wc -l)
    [ "$n" = 1 ] || fail "'$phrase' is in the PDF $n times"
done
# Each of the first two pages has one footnote, numbered 1 at its bottom.
pages_notes=("De tal manera" "Unigénito")
for p in 1 2; do
    pdftotext -f $p -l $p "$tmp/notas.pdf" - | grep -v '^\s*$' | grep -x -A1 '1' | grep -q "${pages_notes[$((p - 1))]}" ||
        fail "page $p: its footnote is not numbered 1"
done

# Comparacion.rvf on the same page: the table goes over three pages, each
# beginning (or continuing) with the heading row.
out=$("$cli" pdf "$data/Estudios/Comparacion.rvf" "$tmp/comp.pdf" --landscape --margins 85) || fail "pdf: $out"
[ "$out" = "pages: 3" ] || fail "expected 3 pages, got '$out'"
for p in 1 2 3; do
    pdftotext -f $p -l $p "$tmp/comp.pdf" - | grep -q "Reina-Valera 1909" || fail "page $p has no heading row"
done
echo "OK"
