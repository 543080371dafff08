#!/usr/bin/env perl
# Compares an image that pageprobe exported (P6, grey levels 255/160/84/0 or
# 255/0) with the netpbm source it was packed from, pixel by pixel.
#   compare_image.pl grey SOURCE EXPORTED   four grey levels, source samples
#                                           cut into the bands 193-255,
#                                           129-192, 65-128, 0-64
#   compare_image.pl icon SOURCE EXPORTED   black exactly where the sample is 0
# The exported image may be wider (whole bytes of pixels); the extra columns
# must be black, as pagepack pads rows with black. Prints the first difference
# and exits 1, or exits 0.
use strict;
use warnings;

sub load {
    my $file = shift;
    open my $fh, '<:raw', $file or die "$file: $!\n";
    my $magic = <$fh>;
    my $size = <$fh>;
    $size = <$fh> while $size =~ /^#/;
    <$fh>;    # maximum value
    my ($w, $h) = $size =~ /(\d+)\s+(\d+)/ or die "$file: no size\n";
    my $bpp = $magic =~ /^P6/ ? 3 : 1;
    local $/;
    my $data = <$fh>;
    length($data) == $w * $h * $bpp or die "$file: ", length($data), " bytes of pixels for $w x $h\n";
    # the first sample of each pixel
    my @s = map { ord substr($data, $_ * $bpp, 1) } 0 .. $w * $h - 1;
    return ($w, $h, \@s, $magic, $data, $bpp);
}

my ($mode, $src, $exp) = @ARGV;
my ($sw, $sh, $ss) = load($src);
my ($ew, $eh, $es, $emagic, $edata) = load($exp);
$emagic =~ /^P6/ or die "$exp: not a P6 pixmap\n";
my $pixels = length($edata) / 3;
for my $i (0 .. $pixels - 1) {
    my ($r, $g, $b) = unpack 'C3', substr($edata, 3 * $i, 3);
    die "$exp: pixel $i not grey ($r $g $b)\n" unless $r == $g && $g == $b;
}
die "$exp: $ew x $eh, source $sw x $sh\n" if $eh != $sh || $ew < $sw || $ew > $sw + 7;

my @grey = (255, 160, 84, 0);
for my $y (0 .. $sh - 1) {
    for my $x (0 .. $ew - 1) {
        my $want;
        if ($x >= $sw) {
            $want = 0;
        } else {
            my $v = $ss->[$y * $sw + $x];
            $want = $mode eq 'icon' ? ($v == 0 ? 0 : 255)
              : $grey[$v >= 193 ? 0 : $v >= 129 ? 1 : $v >= 65 ? 2 : 3];
        }
        my $got = $es->[$y * $ew + $x];
        if ($got != $want) {
            print "$exp: pixel ($x, $y) is $got, want $want\n";
            exit 1;
        }
    }
}
exit 0;
