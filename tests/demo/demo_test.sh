#!/usr/bin/env bash
# The demo flow on examples/: pagepack packs the site from its start page,
# the database holds the six records in link order (checked with Palm::PDB),
# pageprobe in another directory writes back the four pages, the five images
# and the two icons, and every image and icon has the pixels of its source.
# Usage: demo_test.sh EXAMPLES PAGEPACK PAGEPROBE PDB_DUMP COMPARE_IMAGE
set -euo pipefail
examples=$1 pagepack=$2 pageprobe=$3 pdb_dump=$4 compare=$5
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
. "$(dirname "$0")/../support/checks.sh"

mkdir "$tmp/pack" "$tmp/probe"
cp "$examples"/*.html "$examples"/*.pnm "$examples"/*.pgm "$examples"/*.ppm "$examples"/*.gif \
  "$examples"/*.png "$examples"/*.jpg "$tmp/pack/"

# pagepack: nine records (the start page, its logo, the three pages it links
# to, the two images of the about page, the images of the price list and of
# the order form), all appended, no message: the demo site uses only HTML and
# images that pagepack understands.
set +e
(cd "$tmp/pack" && "$pagepack" Demo 1.0 'PQA Demo' index.html > ../pack.out 2> ../pack.err)
status=$?
set -e
expect "pagepack exit status" "$status" 0
expect "pagepack messages on standard error" "$(sed 's/[0-9,]* bytes$/N bytes/' "$tmp/pack.err")" \
  "pagepack: Demo: 9 records (4 pages, 5 images), N bytes"
expect "pagepack lines other than the two per record" \
  "$(grep -v -E '^(record size = [0-9]+|pi_file_append_record = 0)$' "$tmp/pack.out" || true)" ""
expect "records appended" "$(grep -c '^pi_file_append_record = 0$' "$tmp/pack.out")" 9

# The database as an independent reader sees it.
dump=$(perl "$pdb_dump" "$tmp/pack/Demo")
field() { sed -n "s/^$1=//p" <<< "$dump"; }
expect name "$(field name)" Demo
expect type "$(field type)" "pqa "
expect creator "$(field creator)" clpr
expect flags "$(field flags)" 0x0208
expect records "$(field records)" 9
expect "unique IDs" "$(sed -n 's/^record id=\([0-9]*\) .*/\1/p' <<< "$dump" | tr '\n' ' ')" "1 2 3 4 5 6 7 8 9 "
# URL of each record: urlLength at bytes 4-5 of the record, the URL from byte 20.
urls=$(sed -n 's/^record .* data=//p' <<< "$dump" | perl -ne '
  chomp; my $d = pack "H*", $_; my $n = unpack "n", substr($d, 4, 2);
  (my $u = substr($d, 20, $n)) =~ s/\0.*//s; print "$u ";')
expect "record URLs" "$urls" \
  "index.html logo.pgm about.html prices.html order.html sun.ppm photo.jpg cloth.gif badge.png "
# Launcher strings: version 1.0 and title PQA Demo right after the 8 fixed bytes.
expect "app info start" "$(field appinfo | cut -c1-48)" "6c6e6368000380010002312e300000055051412044656d6f"

# pageprobe in a second directory: exactly the pages, images and icons.
set +e
(cd "$tmp/probe" && "$pageprobe" ../pack/Demo > ../probe.out 2> ../probe.err)
status=$?
set -e
expect "pageprobe exit status" "$status" 0
expect "pageprobe messages on standard error" "$(cat "$tmp/probe.err")" ""
expect "files written" "$(cd "$tmp/probe" && ls | tr '\n' ' ')" \
  "LgIcon.pnm SmIcon.pnm about.html badge.png cloth.gif index.html logo.pgm order.html photo.jpg prices.html sun.ppm "
expect "version line" "$(grep '^Version: ' "$tmp/probe.out")" "Version: 1.0"
expect "title line" "$(grep '^Title: ' "$tmp/probe.out")" "Title: PQA Demo"
expect "URL lines" "$(sed -n 's/^URL: //p' "$tmp/probe.out" | tr '\n' ' ')" \
  "index.html logo.pgm about.html prices.html order.html sun.ppm photo.jpg cloth.gif badge.png "
for page in index about prices order; do
  grep -q '<HTML>' "$tmp/probe/$page.html" || fail "$page.html has no <HTML>"
  grep -q '</HTML>' "$tmp/probe/$page.html" || fail "$page.html has no </HTML>"
done

# Images and icons come back with the pixels of their sources.
perl "$compare" grey "$examples/logo.pgm" "$tmp/probe/logo.pgm" || fail "logo.pgm pixels"
perl "$compare" grey "$examples/sun.ppm" "$tmp/probe/sun.ppm" || fail "sun.ppm pixels"
# The images of other formats against their netpbm greymaps (over white).
pngtopnm -mix -background=white "$examples/badge.png" | ppmtopgm > "$tmp/badge.pgm"
giftopnm "$examples/cloth.gif" | ppmtopgm > "$tmp/cloth.pgm"
jpegtopnm "$examples/photo.jpg" 2>/dev/null | ppmtopgm > "$tmp/photo.pgm"
perl "$compare" grey "$tmp/badge.pgm" "$tmp/probe/badge.png" || fail "badge.png pixels"
perl "$compare" grey "$tmp/cloth.pgm" "$tmp/probe/cloth.gif" || fail "cloth.gif pixels"
perl "$compare" grey "$tmp/photo.pgm" "$tmp/probe/photo.jpg" || fail "photo.jpg pixels"
perl "$compare" icon "$examples/LgIcon.pnm" "$tmp/probe/LgIcon.pnm" || fail "LgIcon.pnm pixels"
perl "$compare" icon "$examples/SmIcon.pnm" "$tmp/probe/SmIcon.pnm" || fail "SmIcon.pnm pixels"

# An exported image packed again gives the same bitmap as its source did.
mkdir "$tmp/again"
cp "$tmp/probe/logo.pgm" "$tmp/again/"
(cd "$tmp/again" && "$pagepack" Again 1.0 Again logo.pgm > /dev/null 2>&1)
first=$(sed -n 's/^record id=2 .* data=//p' <<< "$dump")
again=$(perl "$pdb_dump" "$tmp/again/Again" | sed -n 's/^record id=1 .* data=//p')
expect "logo.pgm record after a round trip" "$again" "$first"

checks_done
echo "demo: all checks passed"
