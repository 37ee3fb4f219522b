#!/bin/bash
# Round trip through real RTF readers: the RTF that `quenlor-cli rtf` writes
# for a study, read by LibreOffice (headless) and by unrtf, must give the same
# text as `quenlor-cli text`. A reader that is not installed is skipped; with
# neither the test is skipped (exit 77). With a third argument "words" the
# texts are compared without their blanks and line ends: readers lay table
# cells out as lines or tabs of their own, and unrtf puts the tab between
# cells after a cell's first character when that is an escaped byte.
set -u
cli=$1
doc=$2
mode=${3:-lines}
words() { tr -d '[:space:]' < "$1" | fold -w 60; echo; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
checked=0
failed=0

"$cli" text "$doc" > "$work/expected.txt" || { echo "quenlor-cli text failed"; exit 1; }
"$cli" rtf "$doc" > "$work/copy.rtf" || { echo "quenlor-cli rtf failed"; exit 1; }
# A horizontal line has a text form of its own; readers show an empty paragraph.
sed -e 's/\r$//' -e 's/^-\{20,\}$//' "$work/expected.txt" > "$work/expected.norm"
echo >> "$work/expected.norm"

if command -v soffice >/dev/null 2>&1; then
    timeout 300 soffice --headless --norestore "-env:UserInstallation=file://$work/profile" \
        --convert-to txt:Text --outdir "$work" "$work/copy.rtf" > "$work/soffice.log" 2>&1
    if [ ! -s "$work/copy.txt" ]; then
        echo "LibreOffice did not convert the RTF:"; cat "$work/soffice.log"; failed=1
    else
        # Its text export starts with a byte order mark and ends lines with CR LF.
        sed -e '1s/^\xEF\xBB\xBF//' -e 's/\r$//' "$work/copy.txt" > "$work/soffice.txt"
        if [ "$mode" = words ]; then
            words "$work/expected.norm" > "$work/expected.words"
            words "$work/soffice.txt" > "$work/soffice.words"
            cmp -s "$work/expected.words" "$work/soffice.words" || diff -u "$work/expected.words" "$work/soffice.words" | head -20
        fi
        if { [ "$mode" = words ] && cmp -s "$work/expected.words" "$work/soffice.words"; } \
            || { [ "$mode" != words ] && diff -u "$work/expected.norm" "$work/soffice.txt"; }; then
            echo "LibreOffice: same text"
        else
            echo "LibreOffice read a different text"; failed=1
        fi
    fi
    checked=1
fi

if command -v unrtf >/dev/null 2>&1; then
    # unrtf writes Latin-1 and falls back to the code-page form of Unicode
    # text, so only the lines it can show are compared, each in order.
    # It writes the pictures it meets into the current folder: run it in ours.
    (cd "$work" && unrtf --text copy.rtf 2>/dev/null) | iconv -f latin1 -t utf-8 \
        | grep -v -e '^###' -e '^-----------------$' -e '^pict[0-9]*\.' > "$work/unrtf.txt"
    if [ "$mode" = words ]; then
        words "$work/expected.norm" > "$work/expected.words"
        words "$work/unrtf.txt" > "$work/unrtf.words"
        if cmp -s "$work/expected.words" "$work/unrtf.words"; then
            echo "unrtf: same words"
        else
            diff -u "$work/expected.words" "$work/unrtf.words" | head -20
            echo "unrtf read different words"; failed=1
        fi
        checked=1
    fi
    [ "$mode" = words ] || while IFS= read -r line; do
        [ -z "$line" ] && continue
        if ! printf '%s' "$line" | iconv -f utf-8 -t latin1 >/dev/null 2>&1; then
            continue # characters outside Latin-1
        fi
        # unrtf leaves the list marker out of the text.
        bare=${line#• }
        if ! grep -qxF -- "$line" "$work/unrtf.txt" && ! grep -qxF -- " $bare" "$work/unrtf.txt"; then
            echo "unrtf lost the line: $line"; failed=1
        fi
    done < "$work/expected.norm"
    [ $failed = 0 ] && [ "$mode" != words ] && echo "unrtf: every Latin-1 line found"
    checked=1
fi

if [ $checked = 0 ]; then
    echo "neither LibreOffice (soffice) nor unrtf is installed: skipped"
    exit 77
fi
exit $failed
