#!/usr/bin/env bash
# Makes small valid seed inputs for every fuzz target from the example site,
# with the built programs and the independent tools.
# usage: make_seeds.sh BUILD_DIR SEED_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
seeds=$2
src=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$seeds"
seeds=$(cd "$seeds" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$seeds"/{pdb_reader_fuzz,probe_record_fuzz,pack_page_fuzz,pack_tag_fuzz,netpbm_fuzz,image_input_fuzz,byte_markup_fuzz,web_page_fuzz,preview_filter_fuzz,bitmap_reader_fuzz,palm_bitmap_input_fuzz}

# Databases: the example site packed by pagepack, a Doc from txt2pdbdoc, and an
# empty database from Palm::PDB.
cp -r "$src/examples/." "$work/site"
(cd "$work/site" && "$build/pagepack/pagepack" Demo 1.0 Demo index.html >/dev/null)
cp "$work/site/Demo" "$seeds/pdb_reader_fuzz/demo.pdb"
printf 'hello\nworld\n' > "$work/doc.txt"
txt2pdbdoc Doc "$work/doc.txt" "$seeds/pdb_reader_fuzz/doc.pdb" >/dev/null
perl -MPalm::PDB -MPalm::Raw -e '$p = Palm::Raw->new; $p->{name} = "Empty"; $p->Write($ARGV[0])' \
  "$seeds/pdb_reader_fuzz/empty.pdb"

# Records and the app-info block of the packed site, one file each; the first
# byte of a probe seed selects the entry point (0: record, 1: app-info block) and
# the verbose flag (bit 1).
perl -MPalm::PDB -MPalm::Raw -e '
  my ($db, $dir, $pages) = @ARGV;
  my $p = Palm::PDB->new; $p->Load($db);
  my $i = 0;
  for my $r (@{$p->{records}}) {
    open my $f, ">", sprintf("%s/record%02d", $dir, $i++) or die; binmode $f;
    print $f "\x00", $r->{data}; close $f;
  }
  open my $f, ">", "$dir/appinfo" or die; binmode $f;
  print $f "\x03", $p->{appinfo}; close $f;
  # The data of each page record (content type 4) for the byte-coded decoder.
  $i = 0;
  for my $r (@{$p->{records}}) {
    my $d = $r->{data};
    next unless length($d) >= 20 && ord(substr($d, 12, 1)) == 4;
    my ($off, $len) = (unpack("N", substr($d, 6, 4)), unpack("n", substr($d, 10, 2)));
    open my $g, ">", sprintf("%s/page%02d", $pages, $i++) or die; binmode $g;
    print $g substr($d, $off, $len); close $g;
  }
' "$seeds/pdb_reader_fuzz/demo.pdb" "$seeds/probe_record_fuzz" \
  "$seeds/byte_markup_fuzz"

# Image records of Palm bitmaps from pnmtopalm: every version, depth and
# compression it writes, and a family of three renditions; in turn verbose
# (first byte 2) and in the source form (first byte 4).
printf 'P5\n13 5\n255\n' > "$work/g.pgm"
perl -e 'print chr(($_ * 37) % 256) for 0 .. 64' >> "$work/g.pgm"
pamcut -width 230 /usr/share/netpbm/palmcolor8.map | ppmtoppm > "$work/c.ppm"
image_seed() {  # NAME SELECTOR BITMAP-FILE: one image record as a probe seed
  perl -e '
    my ($sel, $file) = @ARGV;
    local $/; open my $f, "<", $file or die; binmode $f; my $bmp = <$f>;
    my $url = "i.ppm";
    print chr($sel), pack("NnNnCCNCC", 20, length $url, 20 + length $url, length $bmp,
                            5, 0, length $bmp, 0, 0), $url, $bmp;
  ' "$2" "$3" > "$seeds/probe_record_fuzz/$1"
}
n=0
for kind in "-depth 1" "-depth 2" "-depth 4" "-depth 8 -colormap" "-depth 16"; do
  input=$work/g.pgm
  case $kind in *8*|*16*) input=$work/c.ppm ;; esac
  for more in "" -scanline_compression -rle_compression -packbits_compression "-density 144" \
      "-density 144 -rle_compression"; do
    pnmtopalm $kind $more "$input" > "$work/b.palm" 2>/dev/null || continue
    image_seed "bitmap$n" $(( n % 2 ? 4 : 2 )) "$work/b.palm"
    { printf '\001'; cat "$work/b.palm"; } > "$seeds/bitmap_reader_fuzz/bitmap$n"
    cp "$work/b.palm" "$seeds/palm_bitmap_input_fuzz/bitmap$n"
    n=$((n + 1))
  done
done
: > "$work/family.palm"
for kind in "-depth 1 -offset $work/g.pgm" "-depth 8 -rle_compression -offset $work/c.ppm" \
    "-depth 16 $work/c.ppm"; do
  pnmtopalm $kind >> "$work/family.palm"
  perl -e '$n = -s $ARGV[0]; print "\0" x ((4 - $n % 4) % 4)' "$work/family.palm" >> "$work/family.palm"
done
image_seed family 2 "$work/family.palm"

# Pages, tags and images of the example site.
cp "$src"/examples/*.html "$seeds/pack_page_fuzz/"
n=0
grep -oh '<[^<>]*>' "$src"/examples/*.html | sed 's/^<//; s/>$//' | sort -u | while IFS= read -r tag; do
  printf '%s' "$tag" > "$seeds/pack_tag_fuzz/tag$((n++))"
done
for f in "$src"/examples/*.pnm "$src"/examples/*.pgm "$src"/examples/*.ppm; do
  [ -e "$f" ] && cp "$f" "$seeds/netpbm_fuzz/"
done
# Images of every format the reader tells apart: the example site's, and the
# example logo in each netpbm form and each library format, made by netpbm.
img=$seeds/image_input_fuzz
for f in "$src"/examples/*.pnm "$src"/examples/*.pgm "$src"/examples/*.ppm \
         "$src"/examples/*.png "$src"/examples/*.gif "$src"/examples/*.jpg; do
  [ -e "$f" ] && cp "$f" "$img/"
done
logo=$src/examples/logo.pgm
pamscale -width 24 "$logo" > "$work/s.pgm"
pgmtoppm rgb:ff/80/00 "$work/s.pgm" > "$work/s.ppm"
pnmtopnm -plain "$work/s.pgm" > "$img/plain.pgm"
pnmtopnm -plain "$work/s.ppm" > "$img/plain.ppm"
pamthreshold "$work/s.pgm" 2>/dev/null | pamtopnm > "$work/s.pbm"
cp "$work/s.pbm" "$img/raw.pbm"
pnmtopnm -plain "$work/s.pbm" > "$img/plain.pbm"
pamdepth 65535 "$work/s.ppm" > "$img/deep.ppm"
pamdepth 15 "$work/s.pgm" > "$img/shallow.pgm"
pamtopam < "$work/s.ppm" > "$img/rgb.pam"
pnmtopng -alpha="$work/s.pgm" "$work/s.ppm" > "$img/alpha.png"
pnmtopng -interlace "$work/s.pgm" > "$img/interlaced.png"
pamtogif -interlace "$work/s.ppm" > "$img/interlaced.gif" 2>/dev/null
pnmtojpeg -progressive "$work/s.ppm" > "$img/progressive.jpg"
# Web pages: the example site, the hand-written pages of the -w tests and
# pages of the documentation sites installed here.
for f in "$src"/examples/*.html "$src"/tests/web/rules/*.html "$src"/tests/web/rules/guide/*.html; do
  cp "$f" "$seeds/web_page_fuzz/$(echo "${f#"$src"/}" | tr / -)"
done
for f in /usr/share/doc/valgrind/html/{index,FAQ,quick-start}.html \
    /usr/share/doc/libxslt1-dev/html/{index,xsltproc}.html \
    /usr/share/doc/apache2-doc/manual/en/{index,bind}.html; do
  [ -f "$f" ] && head -c 20000 "$f" > "$seeds/web_page_fuzz/doc-$(echo "${f#/usr/share/doc/}" | tr / -)"
done

# Pages of the style rules, inline SVG and framesets; and the bomb of 20,000
# rules ".a.bN" of one shared class over 40,000 elements of it.
cat > "$seeds/web_page_fuzz/styles-svg-frames.html" <<'EOF'
<link rel=stylesheet href=s.css><style>.s ul, div.r > h3, li:not(.c, #i) {display:none}
#i{display:block}</style><div class=s><ul><li>a</ul></div><div class=r><h3>N</h3></div>
<svg><title>T</title><g><text>K<tspan>W</tspan></text></g></svg>
<frameset><frame src=a.html name=A><frame src=i.png></frameset>
EOF
perl -e 'print "<style>"; print ".a.b$_\{display:none}" for 1 .. 20000;
  print "</style>", "<br class=a>" x 40000' > "$seeds/web_page_fuzz/style-rules-bomb.html"

# The bombs: inputs that once took minutes, hundreds of MB or more.
perl -e '
  my ($filter, $bit, $bitmap, $png, $links, $amps) = @ARGV;
  sub put { open my $f, ">", $_[0] or die; binmode $f; print $f $_[1]; close $f }
  # Markup that never ends a tag: "<a " 21000 times, then z=" unclosed; as
  # decoded markup, and as the literal run of a bit-coded page.
  my $markup = "<a " x 21000 . "z=\"";
  put($filter, "\x02" . $markup);
  my $bits = "00000" . "00001" . "01110000" . unpack("B*", $markup) . "00000000";
  put($bit, "\x01" . pack("B*", $bits . "0" x ((8 - length($bits) % 8) % 8)));
  # 64 KB of RLE announcing a 65535 x 996 bitmap at 1 bit a pixel.
  my $bmp = pack("nnnnCCnCCn", 65535, 996, 8192, 0x8000, 1, 2, 0, 0, 1, 0);
  for (my $rest = 996 * 8192; $rest > 0; $rest -= 255) { $bmp .= pack("CC", $rest < 255 ? $rest : 255, 0) }
  put($bitmap, "\x01" . $bmp);
  # A PNG of 990 zTXt chunks that inflate to almost 1 MB each.
  use Compress::Zlib;
  sub chunk { my ($t, $d) = @_; pack("N", length $d) . $t . $d . pack("N", crc32($t . $d)) }
  my $text = chunk("zTXt", "Comment\0\0" . compress("x" x (1048576 - 4096), 9));
  put($png, "\x89PNG\r\n\x1a\n" . chunk("IHDR", pack("NNCCCCC", 1, 1, 8, 0, 0, 0, 0)) .
            $text x 990 . chunk("IDAT", compress("\0\xc0")) . chunk("IEND", ""));
  # Byte-coded pages: links whose strings never end, and "&" bytes before a ";".
  put($links, "T\0\0" . "\x01\x11\x00\x20http://" x 5000);
  put($amps, "T\0\0" . "&" x 64000 . ";\x01\x71");
' "$seeds/preview_filter_fuzz/endless-tag" "$seeds/preview_filter_fuzz/endless-tag-bit-coded" \
  "$seeds/bitmap_reader_fuzz/rle-bomb" "$seeds/image_input_fuzz/ztxt-bomb.png" \
  "$seeds/byte_markup_fuzz/endless-links" "$seeds/byte_markup_fuzz/ampersands"
# A page that -w splits in two: its parts, "--part--" between them.
mkdir -p "$work/long"
perl -e 'print "<title>Long</title><p>", map({ "word$_ <b>bold</b> " } 1 .. 5000)' \
  > "$work/long/index.html"
(cd "$work/long" && "$build/pagepack/pagepack" -q -w Long 1 Long index.html 2>/dev/null)
perl -MPalm::PDB -MPalm::Raw -e '
  my $p = Palm::PDB->new; $p->Load($ARGV[0]);
  my @parts = map { my $d = $_->{data}; substr($d, unpack("N", substr($d, 6, 4)), unpack("n", substr($d, 10, 2))) } @{$p->{records}};
  open my $f, ">", $ARGV[1] or die; binmode $f; print $f join("--part--", @parts[0, 1]); close $f;
' "$work/long/Long" "$seeds/byte_markup_fuzz/parts"
# Pages that once took libxml2 quadratic time under -w: one tag of 150,000
# attributes, and 140,000 nested <b> followed by as many stray </q>.
perl -e 'print "<span", (map { " a$_" } 0 .. 149999), ">x"' \
  > "$seeds/web_page_fuzz/many-attributes.html"
perl -e 'print "<b>" x 140000, "</q>" x 140000' > "$seeds/web_page_fuzz/stray-end-tags.html"
# Pages of the example site for the preview: byte-coded records and markup.
for f in "$seeds"/byte_markup_fuzz/page*; do
  { printf '\000'; cat "$f"; } > "$seeds/preview_filter_fuzz/$(basename "$f")"
done
for f in "$src"/examples/*.html; do
  { printf '\002'; cat "$f"; } > "$seeds/preview_filter_fuzz/$(basename "$f")"
done

echo "seeds in $seeds"
