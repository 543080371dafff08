#!/usr/bin/env perl
# Writes the bitmap of every image record (content type 5) of a PQA database
# to OUTDIR/NNNN.palm, for netpbm's palmtopnm. Prints the number written.
# Usage: extract_bitmaps.pl DATABASE OUTDIR
use strict;
use warnings;

my ($db, $out) = @ARGV;
die "usage: extract_bitmaps.pl DATABASE OUTDIR\n" unless defined $out;
open my $fh, '<:raw', $db or die "$db: $!\n";
my $bytes = do { local $/; <$fh> };
close $fh;

my $n = unpack 'n', substr($bytes, 76, 2);
my @offsets = map { unpack 'N', substr($bytes, 78 + 8 * $_, 4) } 0 .. $n - 1;
push @offsets, length $bytes;
mkdir $out unless -d $out;
my $written = 0;
for my $i (0 .. $n - 1) {
    my $rec = substr $bytes, $offsets[$i], $offsets[$i + 1] - $offsets[$i];
    next unless length($rec) >= 20 && unpack('C', substr($rec, 12, 1)) == 5;
    my ($data_offset, $data_length) = unpack 'N n', substr($rec, 6, 6);
    open my $o, '>:raw', sprintf('%s/%04d.palm', $out, $i) or die "$out: $!\n";
    print $o substr($rec, $data_offset, $data_length);
    close $o;
    $written++;
}
print "$written\n";
