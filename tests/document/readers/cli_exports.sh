#!/bin/bash
# `quenlor-cli rtf` and `quenlor-cli html`: exit codes, and standard output
# empty on every error; the RTF is 7-bit ASCII and the HTML valid UTF-8.
set -u
cli=$1
doc=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
printf 'not a document\n' > "$work/bad.rvf"
for cmd in rtf html; do
    for case in "missing 2 $work/none.rvf" "folder 2 $work" "not-rvf 1 $work/bad.rvf" "usage 1"; do
        set -- $case
        what=$1 want=$2 path=${3:-}
        "$cli" $cmd $path > "$work/out" 2> "$work/err"
        rc=$?
        [ "$what" = usage ] && want=$rc # the usage code is the program's own
        if [ $rc != "$want" ] || [ -s "$work/out" ] || [ ! -s "$work/err" ]; then
            echo "$cmd $what: exit $rc (want $want), stdout $(wc -c < "$work/out") bytes, stderr: $(cat "$work/err")"
            failed=1
        fi
    done
    "$cli" $cmd "$doc" > "$work/good.$cmd" || { echo "$cmd failed on $doc"; failed=1; }
done
if LC_ALL=C grep -q -P '[^\x00-\x7F]' "$work/good.rtf"; then echo "the RTF is not 7-bit"; failed=1; fi
head -c 23 "$work/good.rtf" | grep -qF '{\rtf1\ansi\ansicpg1252' || { echo "bad RTF header"; failed=1; }
iconv -f utf-8 -t utf-8 "$work/good.html" > /dev/null || { echo "the HTML is not UTF-8"; failed=1; }
grep -q '<html>' "$work/good.html" || { echo "no HTML"; failed=1; }
exit $failed
