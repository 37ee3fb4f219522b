#!/bin/sh
# Installs the build into a scratch root (DESTDIR) and runs the installed
# reader offscreen on an installed sample: it must find the study, the verse
# table and the help pages from where the package puts them.
set -e
build="$1"
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null
for f in usr/bin/quenlor usr/bin/quenlor-cli usr/bin/quenlor-cli-qt usr/share/quenlor/RV1960.xml usr/share/quenlor/Estudios/Juan3.rvf \
         usr/share/quenlor/Ayuda/index.html usr/share/applications/quenlor.desktop \
         usr/share/icons/hicolor/scalable/apps/quenlor.svg usr/share/mime/packages/quenlor.xml; do
  [ -e "$root/$f" ] || { echo "missing: /$f"; exit 1; }
done
grep -q '^Categories=.*Education' "$root/usr/share/applications/quenlor.desktop"
grep -q '^MimeType=application/x-quenlor-rvf;' "$root/usr/share/applications/quenlor.desktop"
mkdir -p "$root/home"
env -u QUENLOR_DATA HOME="$root/home" QT_QPA_PLATFORM=offscreen QUENLOR_SELF_TEST=1 \
  "$root/usr/bin/quenlor" "$root/usr/share/quenlor/Estudios/Juan3.rvf" > "$root/out.txt"
cat "$root/out.txt"
grep -q '^titulo: Juan3$' "$root/out.txt"
grep -q "^tabla: $root/usr/share/quenlor/RV1960.xml (encontrada)" "$root/out.txt"
# The installed command line finds the installed table, and hands a document
# command to its Qt half.
env -u QUENLOR_DATA "$root/usr/bin/quenlor-cli" verse Jn:3:16 | grep -q '^Jn 3:16$'
env -u QUENLOR_DATA QT_QPA_PLATFORM=offscreen "$root/usr/bin/quenlor-cli" text "$root/usr/share/quenlor/Estudios/Juan3.rvf" | grep -q Nicodemo
