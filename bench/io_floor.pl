#!/usr/bin/env perl
# The I/O floor of a run: read the given input files completely, then create
# the given output files with the given sizes, in one process.
# Usage: io_floor.pl IN... -- OUT SIZE [OUT SIZE ...]
use strict;
use warnings;

my @in;
push @in, shift @ARGV while @ARGV && $ARGV[0] ne '--';
shift @ARGV;
my $buf;
for my $f (@in) {
    open my $fh, '<:raw', $f or die "$f: $!\n";
    1 while sysread $fh, $buf, 65536;
    close $fh;
}
my $zeros = "\0" x 65536;
while (@ARGV) {
    my ($f, $size) = splice @ARGV, 0, 2;
    open my $fh, '>:raw', $f or die "$f: $!\n";
    while ($size > 0) {
        my $n = $size < 65536 ? $size : 65536;
        syswrite $fh, $zeros, $n;
        $size -= $n;
    }
    close $fh or die "$f: $!\n";
}
