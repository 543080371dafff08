#!/usr/bin/env bash
# Fidelity of pagepack -w against a real browser: packs a copy of a real site
# from its entry page, takes the database apart with pageprobe -s, and has
# headless Chromium load every source page and every packed page (its parts
# joined) in one run, the source pages without script (sandboxed frames), as
# the handheld shows them and as -w reads <noscript>; the words ([A-Za-z0-9] runs, in order) of each packed
# page are compared with those of the source page's innerText.
# Passes when the median recall and the median precision over the site are
# both at least 0.98 and no page is under 0.9 unless fidelity_exceptions.txt
# gives the reason. Prints one line a page (worst first) and the medians.
# Pages named in EXACT (separated by commas) must have recall and precision 1.
# usage: fidelity_test.sh PAGEPACK PAGEPROBE SITE_DIR ENTRY NAME [MAX_PAGES [EXACT]]
set -euo pipefail
pagepack=$1 pageprobe=$2 site=$3 entry=$4 name=$5 max_pages=${6:-0} exact=${7:-}
here=$(cd "$(dirname "$0")" && pwd)
if [ ! -f "$site/$entry" ]; then echo "SKIP: $site/$entry is not installed"; exit 77; fi
command -v chromium > /dev/null || { echo "SKIP: no chromium"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -rL "$site" "$work/site"
cd "$work/site"
"$pagepack" -w Site 1.0 "$name" "$entry" > "$work/pack.out" 2> "$work/pack.err" || { cat "$work/pack.err"; exit 1; }
grep -v ': in [0-9]* parts$' "$work/pack.err" | head -20 || true

# The URLs first (pageprobe -s needs the folders of a URL to exist), then the site.
mkdir "$work/scan" "$work/out"
(cd "$work/scan" && "$pageprobe" -s ../site/Site > ../listing.txt 2> /dev/null) || true
perl -ne 'print "$1\n" if /^URL: (.*)$/' "$work/listing.txt" > "$work/urls"
(cd "$work/out" && while IFS= read -r u; do case $u in */*) mkdir -p "${u%/*}" ;; esac; done < "$work/urls")
(cd "$work/out" && "$pageprobe" -s ../site/Site > /dev/null 2> "$work/probe.err")

# The checking page: a frame per source page and per packed part (a part's
# file gets a .html name so that the browser reads it as a page).
perl -e '
  my ($work, $max, $checker) = @ARGV;
  open my $l, "<", "$work/listing.txt" or die;
  my (@pages, %parts, $type);
  while (<$l>) {
    $type = $1 if /^Content Type = (\d+)/;
    next unless /^URL: (.*)$/ && $type == 4;
    my $u = $1;
    if ($u =~ /^(.*)~(\d+)$/) { push @{$parts{$1}}, $u; next }
    push @pages, $u;
  }
  splice @pages, $max if $max && @pages > $max;
  my ($frames, @js, $n) = ("");
  my $q = sub { my $s = shift; $s =~ s/([^A-Za-z0-9\/._~-])/sprintf("%%%02X", ord $1)/ge; $s };
  for my $u (@pages) {
    my $id = "f" . $n++;
    $frames .= "<iframe id=\"$id\" sandbox=\"allow-same-origin\" src=\"site/" . $q->($u) . "\"></iframe>\n";
    my @ids;
    for my $p ($u, @{$parts{$u} || []}) {
      my $pid = "f" . $n++;
      my $file = $p =~ /~\d+$/ ? "$p.html" : $p;
      system("cp", "--", "$work/out/$p", "$work/out/$file") if $file ne $p;
      $frames .= "<iframe id=\"$pid\" src=\"out/" . $q->($file) . "\"></iframe>\n";
      push @ids, "\"$pid\"";
    }
    (my $ju = $u) =~ s/(["\\])/\\$1/g;
    push @js, "{url:\"$ju\",src:\"$id\",parts:[" . join(",", @ids) . "]}";
  }
  open my $c, ">", "$work/check.html" or die;
  print $c "<!DOCTYPE html><html><head><meta charset=utf-8><style>iframe{width:1280px;height:800px}</style>",
           "<script src=\"file://$checker\"></script></head><body><pre id=r></pre>\n$frames",
           "<script>onload = () => check([" . join(",\n", @js) . "]);</script></body></html>\n";
' "$work" "$max_pages" "$here/fidelity_check.js"

mkdir "$work/profile"
chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
  --disable-background-networking --disable-component-update --disable-sync \
  --host-resolver-rules="MAP * ~NOTFOUND" --allow-file-access-from-files --virtual-time-budget=30000 --user-data-dir="$work/profile" \
  --dump-dom "file://$work/check.html" > "$work/dom.html" 2> "$work/chromium.err" || true
if ! grep -q '<html' "$work/dom.html"; then
  echo "SKIP: Chromium cannot start here"; tail -5 "$work/chromium.err"; exit 77
fi

perl -MJSON::PP -e '
  my ($dom, $exceptions, $name, $packerr, $exact) = @ARGV;
  my %exact = map { $_ => 1 } split /,/, $exact;
  my %cut;
  if (open my $m, "<", $packerr) { for (split /\n/, do { local $/; <$m> }) { $cut{$1} = 1 if /: ([^:]*): database full, cut after part/ } }
  local $/; open my $d, "<", $dom or die; my $t = <$d>;
  $t =~ /RESULT (.*?) END/s or die "no RESULT in the checking page\n";
  my $r = JSON::PP->new->decode($1 =~ s/&quot;/"/gr =~ s/&amp;/&/gr =~ s/&lt;/</gr =~ s/&gt;/>/gr);
  my %why;
  if (open my $e, "<", $exceptions) {
    for (split /\n/, <$e>) { next if /^\s*(#|$)/; my ($s, $u, $w) = split /\s+/, $_, 3; $why{"$s $u"} = $w if $s eq $name }
  }
  my $median = sub { my @v = sort { $a <=> $b } @_; @v ? ($v[$#v / 2] + $v[@v / 2]) / 2 : 1 };
  my @rec = map { $_->{recall} } @$r; my @pre = map { $_->{precision} } @$r;
  my ($mr, $mp) = ($median->(@rec), $median->(@pre));
  my $fail = 0;
  printf "%-40s %7s %7s %7s %7s\n", "page", "words", "packed", "recall", "prec.";
  for my $p (sort { ($a->{recall} < $a->{precision} ? $a->{recall} : $a->{precision}) <=>
                    ($b->{recall} < $b->{precision} ? $b->{recall} : $b->{precision}) } @$r) {
    my $low = $p->{recall} < 0.9 || $p->{precision} < 0.9;
    $why{"$name $p->{url}"} //= "cut: the database was full" if $cut{$p->{url}};
    my $note = $low ? ($why{"$name $p->{url}"} // "UNDER 0.9") : "";
    $fail = 1 if $low && !$why{"$name $p->{url}"};
    if ($exact{$p->{url}} && ($p->{recall} < 1 || $p->{precision} < 1)) { $note = "NOT EXACT"; $fail = 1 }
    printf "%-40s %7d %7d %7.3f %7.3f %s%s\n", $p->{url}, $p->{src}, $p->{packed}, $p->{recall},
           $p->{precision}, $p->{approx} ? "(unordered) " : "", $note;
  }
  my $mean = sub { my $t = 0; $t += $_ for @_; @_ ? $t / @_ : 1 };
  printf "%s: %d pages, median recall %.3f, median precision %.3f (mean %.4f, %.4f)\n", $name,
         scalar @$r, $mr, $mp, $mean->(@rec), $mean->(@pre);
  $fail = 1 if $mr < 0.98 || $mp < 0.98 || !@$r;
  exit $fail;
' "$work/dom.html" "$here/fidelity_exceptions.txt" "$name" "$work/pack.err" "$exact"
