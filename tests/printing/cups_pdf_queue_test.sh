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
PreserveJobFiles Yes
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

# The text a copy gives, without the dashes that stand for horizontal rules.
"$cli" text "$study" >"$work/expected.txt" || fail "quenlor-cli text $study"
chars() { tr -d '\r' | grep -a -v -E '^-+$' | tr -d '[:space:]' | fold -w 60; }
chars <"$work/expected.txt" >"$work/expected.chars"

no_grey_line() { # name pdf
    local name=$1 pdf=$2
    # The page-break marks are thin grey lines (192 soft, 128 hard) across the
    # text width; without anti-aliasing they keep their exact grey.
    pdftoppm -q -r 36 -gray -aa no -aaVector no "$pdf" "$work/$name-page" 2>/dev/null || fail "$name: pdftoppm"
    python3 - "$work/$name-page"*.pgm <<'PY' || fail "$name: a grey page-break line"
import sys
# Grey levels a break mark has; everything else counts as not grey.
table = bytes(49 if 112 <= v <= 208 else 48 for v in range(256))
for path in sys.argv[1:]:
    data = open(path, 'rb').read()
    # P5 header: magic, width, height, maxval, then one byte per pixel.
    parts = data.split(maxsplit=4)
    w, h = int(parts[1]), int(parts[2])
    mask = parts[4][-w * h:].translate(table)
    need = b'1' * (w // 3)
    for y in range(h):
        row = mask[y * w:(y + 1) * w]
        if need not in row:
            continue
        # A thin line: grey here but not two rows above and below (a shaded block is).
        above = mask[(y - 2) * w:(y - 1) * w] if y >= 2 else b'0' * w
        below = mask[(y + 2) * w:(y + 3) * w] if y + 2 < h else b'0' * w
        thin = bytes(49 if r == 49 and a != 49 and b != 49 else 48 for r, a, b in zip(row, above, below))
        if need in thin:
            print(f"grey line at row {y} of {path}")
            sys.exit(1)
PY
}

check_job() { # name printed.pdf spooled.pdf pages
    local name=$1 pdf=$2 job=$3 pages=$4
    local got
    got=$(pdfinfo "$pdf" | awk '/^Pages:/ {print $2}')
    [ "$got" = "$pages" ] || fail "$name: the queue's PDF has $got pages, the pagination $pages"
    got=$(pdfinfo "$job" | awk '/^Pages:/ {print $2}')
    [ "$got" = "$pages" ] || fail "$name: the job sent to the queue has $got pages, the pagination $pages"
    # The printer's PDF is rebuilt through PostScript and loses the fonts'
    # character codes, so the text is read from the job the queue received.
    # Nothing lost, nothing doubled: the same characters in the same order.
    pdftotext -q -raw -enc UTF-8 "$job" - | chars >"$work/$name.chars" || fail "$name: pdftotext"
    cmp -s "$work/expected.chars" "$work/$name.chars" ||
        fail "$name: the printed text differs from quenlor-cli text: $(diff "$work/expected.chars" "$work/$name.chars" | head -6)"
    # Every word inside the 20 mm margins (56.7 pt), on every page.
    pdftotext -q -bbox "$job" "$work/$name.bbox.html" || fail "$name: pdftotext -bbox"
    python3 - "$work/$name.bbox.html" <<'PY' || fail "$name: text outside the margins"
import re, sys
margin = 20 * 72 / 25.4 - 1.0  # a point of slack for glyph overhang
page_w = page_h = None
for line in open(sys.argv[1], encoding='utf-8'):
    m = re.search(r'<page width="([\d.]+)" height="([\d.]+)"', line)
    if m:
        page_w, page_h = float(m.group(1)), float(m.group(2))
        continue
    m = re.search(r'<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">(.*)</word>', line)
    if m:
        x0, y0, x1, y1 = map(float, m.groups()[:4])
        if x0 < margin or y0 < margin or x1 > page_w - margin or y1 > page_h - margin:
            print(f"word {m.group(5)!r} at ({x0}, {y0})-({x1}, {y1}) on a {page_w} x {page_h} page")
            sys.exit(1)
PY
    no_grey_line "$name-printed" "$pdf"
    no_grey_line "$name-job" "$job"
    echo "$name: $pages pages; the queue's PDF has them all, the text matches, inside the margins, no page-break line"
}

for mode in ${QUENLOR_QUEUE_MODES:-main preview}; do
    marker=$work/marker-$mode
    touch "$marker"
    sleep 1
    out=$(QT_QPA_PLATFORM=offscreen timeout 120 "$driver" "$study" "$queue" "$mode" 2>"$work/$mode.err") ||
        fail "$mode: the print command failed: $(cat "$work/$mode.err")"
    pages=$(sed -n 's/^pages: //p' <<<"$out")
    [ -n "$pages" ] || fail "$mode: no page count from the driver: $out"
    pdf=
    for _ in $(seq 150); do
        pdf=$(find "${outdirs[@]}" -maxdepth 1 -name '*.pdf' -newer "$marker" 2>/dev/null | head -1)
        # cups-pdf may still be writing the file after the job left the queue
        # (it is slow on a loaded machine): only a PDF poppler can read is done.
        if [ -n "$pdf" ] && [ -z "$(lpstat -o "$queue" 2>/dev/null)" ] && pdfinfo "$pdf" >/dev/null 2>&1; then
            break
        fi
        pdf=
        sleep 0.2
    done
    [ -n "$pdf" ] || fail "$mode: no PDF came out of the queue ($(tail -5 "$work/log/error_log" 2>/dev/null))"
    cp "$pdf" "$work/$mode.pdf"
    rm -f "$pdf"
    job=$(ls -t "$work/spool"/d*-001 2>/dev/null | head -1)
    [ -n "$job" ] || fail "$mode: the queue kept no job file"
    cp "$job" "$work/$mode-job.pdf"
    if [ -n "${QUENLOR_KEEP_PDF:-}" ]; then
        cp "$work/$mode.pdf" "$QUENLOR_KEEP_PDF-$mode.pdf"
        cp "$work/$mode-job.pdf" "$QUENLOR_KEEP_PDF-$mode-job.pdf"
    fi
    check_job "$mode" "$work/$mode.pdf" "$work/$mode-job.pdf" "$pages"
done
exit 0
