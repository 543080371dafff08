#!/usr/bin/env perl
# Writes the benchmark site into DIR: 500 pages of 30 to 60 KB (text with bold
# and italic runs, tables, forms, links with and without fragments, remote
# links) and 500 greymaps of 100x100 to 160x160 pixels. Page i shows image i
# and links to pages i+1, i+2, i+3, i+17 and i+101, so p000.html reaches every
# page and image: 1000 records, the most a database holds.
# Usage: gen_site.pl DIR [PAGES [IMAGES]]
use strict;
use warnings;

my ($dir, $npages, $nimages) = @ARGV;
die "usage: gen_site.pl DIR [PAGES [IMAGES]]\n" unless defined $dir;
$npages  //= 500;
$nimages //= 500;
srand(20261207);    # the same site every run

my @words = qw(palm query application clipping record page image table form
  link launcher icon title version database handheld screen stylus sync
  cradle wireless memo address date book price order coffee tea weather
  news stock quote city train time station menu search result list item);

sub words {
    my $n = shift;
    return join ' ', map { $words[int rand @words] } 1 .. $n;
}

sub page_name { sprintf 'p%03d.html', $_[0] % $npages }

sub paragraph {
    my ($s) = @_;
    return "<a name=s$s></a><p align=left>" . words(20) . ' <b>' . words(3)
      . '</b> ' . words(25) . ' <i>' . words(4) . '</i> ' . words(30) . ".\n";
}

sub table {
    my $t = "<table border=1 width=100% cellspacing=1 cellpadding=2>\n"
      . "<tr align=center valign=top><th>item</th><th align=right>price</th><th>note</th></tr>\n";
    for my $r (1 .. 8) {
        $t .= '<tr><td>' . words(2) . '</td><td align=right>'
          . sprintf('%d.%02d', 1 + int rand 99, int rand 100)
          . '</td><td colspan=1 nowrap>' . words(4) . "</td></tr>\n";
    }
    return $t . "</table>\n";
}

sub form {
    my ($i) = @_;
    return "<form action=http://example.com/cgi-bin/p$i method=post>\n"
      . "<input type=hidden name=page value=$i>\n"
      . "query: <input type=text name=q size=20 maxlength=40><br>\n"
      . "pin: <input type=password name=pin size=6 maxlength=6><br>\n"
      . "<select name=sort><option value=date>date</option><option value=price selected>price</option></select>\n"
      . "<input type=checkbox name=all value=yes text=all checked>\n"
      . "<input type=submit name=go value=search>\n"
      . "</form>\n";
}

sub links {
    my ($i, $s) = @_;
    my @to = map { page_name($i + $_) } (1, 2, 3, 17, 101);
    return join(' | ', map { "<a href=$_>" . words(2) . '</a>' } @to)
      . " | <a href=$to[0]#s" . (1 + int rand 20) . '>' . words(1) . '</a>'
      . ' | <a href=http://example.com/news>' . words(1) . "</a><br>\n";
}

mkdir $dir unless -d $dir;
for my $i (0 .. $npages - 1) {
    my $target = 30 * 1024 + int rand(30 * 1024);
    my $img    = sprintf 'img%03d.pgm', $i % $nimages;
    my $html   = "<html>\n<head>\n<title>Page $i</title>\n</head>\n<body>\n"
      . "<h1 align=center>Page $i</h1>\n"
      . "<img src=$img alt=figure$i align=middle border=1 hspace=2 vspace=2>\n"
      . links($i, 0);
    my $s = 0;
    while (length($html) < $target) {
        $s++;
        my $kind = $s % 6;
        $html .= $kind == 0 ? table()
          : $kind == 3 ? form($i)
          : $kind == 5 ? links($i, $s) . "<hr noshade width=80%>\n"
          : paragraph($s);
    }
    $html .= "</body>\n</html>\n";
    open my $fh, '>', "$dir/" . page_name($i) or die "$dir: $!\n";
    print $fh $html;
    close $fh;
}

# Greymaps: a diagonal ramp with a darker disc and some noise, so that all
# four grey levels occur.
for my $k (0 .. $nimages - 1) {
    my $w  = 100 + int rand 61;
    my $h  = 100 + int rand 61;
    my ($cx, $cy, $r2) = ($w * rand(), $h * rand(), (20 + rand 30)**2);
    my $px = '';
    for my $y (0 .. $h - 1) {
        for my $x (0 .. $w - 1) {
            my $v = 255 * ($x + $y) / ($w + $h) + rand(24) - 12;
            $v -= 120 if ($x - $cx)**2 + ($y - $cy)**2 < $r2;
            $px .= chr($v < 0 ? 0 : $v > 255 ? 255 : int $v);
        }
    }
    open my $fh, '>:raw', sprintf('%s/img%03d.pgm', $dir, $k) or die "$dir: $!\n";
    print $fh "P5\n$w $h\n255\n", $px;
    close $fh;
}
