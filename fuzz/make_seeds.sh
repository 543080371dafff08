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

mkdir -p "$seeds"/{pdb_reader_fuzz,probe_record_fuzz,pack_page_fuzz,pack_tag_fuzz,netpbm_fuzz,byte_markup_fuzz}

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

# Pages, tags and images of the example site.
cp "$src"/examples/*.html "$seeds/pack_page_fuzz/"
n=0
grep -oh '<[^<>]*>' "$src"/examples/*.html | sed 's/^<//; s/>$//' | sort -u | while IFS= read -r tag; do
  printf '%s' "$tag" > "$seeds/pack_tag_fuzz/tag$((n++))"
done
for f in "$src"/examples/*.pnm "$src"/examples/*.pgm "$src"/examples/*.ppm; do
  [ -e "$f" ] && cp "$f" "$seeds/netpbm_fuzz/"
done
echo "seeds in $seeds"
