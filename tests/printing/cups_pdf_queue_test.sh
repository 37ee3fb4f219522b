#!/usr/bin/env bash
# Prints the long sample study through a real print queue: a private CUPS
# scheduler with the cups-pdf virtual printer (Debian printer-driver-cups-pdf).
# Both the main window's print command and the preview's print button send
# the study to the queue; each PDF that comes out must hold the same text as
# `quenlor-cli text`, as many pages as the pagination made, and no grey
# page-break line.
#
# usage: cups_pdf_queue_test.sh QUENLOR_CLI PRINT_TO_QUEUE STUDY.rvf
# Exits 77 (skipped) when the machine cannot run CUPS.
set -uo pipefail

cli=$1 driver=$2 study=$3
skip() {
    echo "SKIPPED: $*" >&2
    exit 77
}
fail() {
    echo "FAILED: $*" >&2
    exit 1
}

[ "$(id -u)" = 0 ] || skip "a private CUPS scheduler needs root (the cups-pdf backend runs as root)"
for tool in cupsd lpadmin lpstat pdftotext pdftoppm pdfinfo gs; do
    command -v "$tool" >/dev/null 2>&1 || skip "$tool is not installed (packages cups, cups-client, poppler-utils)"
done
[ -x /usr/lib/cups/backend/cups-pdf ] || skip "the cups-pdf backend is not installed (printer-driver-cups-pdf)"
ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd
[ -f "$ppd" ] || skip "$ppd is missing"

work=$(mktemp -d /tmp/quenlor-cups.XXXXXX)
chmod 755 "$work"
cupsd_pid=
cleanup() {
    [ -n "$cupsd_pid" ] && kill "$cupsd_pid" 2>/dev/null && wait "$cupsd_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# The scheduler keeps everything under $work and listens on a socket there,
# so the machine's own CUPS (if any) is left alone.
mkdir -p "$work"/{etc/ppd,spool/tmp,cache,state,log}
chown -R root:lp "$work/spool" "$work/cache" "$work/state"
chmod 0770 "$work/spool" "$work/spool/tmp"
cat >"$work/etc/cupsd.conf" <<EOF
Listen $work/cups.sock
LogLevel warn
WebInterface No
Browsing No
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF
cat >"$work/etc/cups-files.conf" <<EOF
ServerRoot $work/etc
RequestRoot $work/spool
TempDir $work/spool/tmp
CacheDir $work/cache
StateDir $work/state
ServerBin /usr/lib/cups
DataDir /usr/share/cups
AccessLog $work/log/access_log
ErrorLog $work/log/error_log
PageLog $work/log/page_log
SystemGroup root
EOF
cupsd -f -c "$work/etc/cupsd.conf" -s "$work/etc/cups-files.conf" >"$work/log/cupsd.out" 2>&1 &
cupsd_pid=$!
export CUPS_SERVER=$work/cups.sock
for _ in $(seq 50); do
    [ -S "$CUPS_SERVER" ] && lpstat -r >/dev/null 2>&1 && break
    kill -0 "$cupsd_pid" 2>/dev/null || skip "cupsd does not start here: $(tail -3 "$work/log/cupsd.out" "$work/log/error_log" 2>/dev/null)"
    sleep 0.2
done
lpstat -r >/dev/null 2>&1 || skip "cupsd does not answer on $CUPS_SERVER"
queue=QuenlorPDF
lpadmin -p "$queue" -v cups-pdf:/ -P "$ppd" -E >"$work/log/lpadmin.out" 2>&1 ||
    skip "cannot add the cups-pdf queue: $(cat "$work/log/lpadmin.out")"

# Where cups-pdf puts a root job's file.
outdirs=(/root/PDF /var/spool/cups-pdf/ANONYMOUS /var/spool/cups-pdf/root)

"$cli" text "$study" >"$work/expected.txt" || fail "quenlor-cli text $study"
words() { tr -s '[:space:]' '\n' <"$1" | grep -v '^$'; }
words "$work/expected.txt" >"$work/expected.words"

check_pdf() { # name pdf pages
    local name=$1 pdf=$2 pages=$3
    local got
    got=$(pdfinfo "$pdf" | awk '/^Pages:/ {print $2}')
    [ "$got" = "$pages" ] || fail "$name: the queue's PDF has $got pages, the pagination $pages"
    pdftotext -enc UTF-8 "$pdf" "$work/$name.txt" || fail "$name: pdftotext"
    words "$work/$name.txt" >"$work/$name.words"
    # Nothing lost, nothing doubled: the same words in the same order.
    diff -q "$work/expected.words" "$work/$name.words" >/dev/null ||
        fail "$name: the printed text differs from quenlor-cli text: $(diff "$work/expected.words" "$work/$name.words" | head -8)"
    # The page-break marks are thin grey lines (192 soft, 128 hard) across the
    # text width; without anti-aliasing they keep their exact grey.
    pdftoppm -r 72 -gray -aa no -aaVector no "$pdf" "$work/$name-page" || fail "$name: pdftoppm"
    for pgm in "$work/$name-page"*.pgm; do
        python3 - "$pgm" <<'PY' || fail "$name: a grey page-break line on $(basename "$pgm")"
import sys
data = open(sys.argv[1], 'rb').read()
# P5 header: magic, width, height, maxval, then one byte per pixel.
parts = data.split(maxsplit=4)
w, h = int(parts[1]), int(parts[2])
pix = parts[4][-w * h:]
def grey(x, y):
    return 0 <= y < h and 112 <= pix[y * w + x] <= 208
for y in range(h):
    run = 0
    for x in range(w):
        # A thin line: grey here, not grey two rows above and below (a shaded block is).
        if grey(x, y) and not grey(x, y - 2) and not grey(x, y + 2):
            run += 1
            if run > w // 3:
                print(f"grey line at row {y}")
                sys.exit(1)
        else:
            run = 0
PY
    done
    echo "$name: $pages pages, text and page count match, no page-break line"
}

for mode in main preview; do
    marker=$work/marker-$mode
    touch "$marker"
    sleep 1
    out=$(QT_QPA_PLATFORM=offscreen "$driver" "$study" "$queue" "$mode" 2>"$work/$mode.err") ||
        fail "$mode: the print command failed: $(cat "$work/$mode.err")"
    pages=$(sed -n 's/^pages: //p' <<<"$out")
    [ -n "$pages" ] || fail "$mode: no page count from the driver: $out"
    pdf=
    for _ in $(seq 150); do
        pdf=$(find "${outdirs[@]}" -maxdepth 1 -name '*.pdf' -newer "$marker" 2>/dev/null | head -1)
        if [ -n "$pdf" ] && [ -z "$(lpstat -o "$queue" 2>/dev/null)" ]; then
            break
        fi
        pdf=
        sleep 0.2
    done
    [ -n "$pdf" ] || fail "$mode: no PDF came out of the queue ($(tail -5 "$work/log/error_log" 2>/dev/null))"
    cp "$pdf" "$work/$mode.pdf"
    rm -f "$pdf"
    check_pdf "$mode" "$work/$mode.pdf" "$pages"
    [ -n "${QUENLOR_KEEP_PDF:-}" ] && cp "$work/$mode.pdf" "$QUENLOR_KEEP_PDF-$mode.pdf"
done
exit 0
