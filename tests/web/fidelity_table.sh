#!/usr/bin/env bash
# The fidelity table: pagepack -w beside four text-mode converters, each
# measured against headless Chromium with the scoring of fidelity_test.sh
# (the words of each page as Chromium shows it, a 1280 x 800 frame without
# scripts, against the words of each tool's output: recall and precision
# from their longest common subsequence). A converter's time on a site is
# the wall-clock time of converting the pages measured, one process a page;
# pagepack's is its one run over the whole site, database and all (for a
# site cut at MAX_PAGES, more pages than the converters read). Not run by
# make test: it needs the
# converters (Debian's w3m, lynx, html2text, pandoc) and takes minutes.
# usage: fidelity_table.sh PAGEPACK PAGEPROBE [NAME SITE_DIR ENTRY MAX_PAGES]...
# Without sites, the sites of the fidelity tests.
set -euo pipefail
pagepack=$(realpath "$1") pageprobe=$(realpath "$2")
shift 2
here=$(cd "$(dirname "$0")" && pwd)
[ $# -gt 0 ] || set -- rules "$here/rules" index.html 0 \
  valgrind /usr/share/doc/valgrind/html index.html 0 \
  libxslt /usr/share/doc/libxslt1-dev/html index.html 0 \
  apache /usr/share/doc/apache2-doc/manual en/index.html 40
for tool in chromium w3m lynx html2text pandoc; do
  command -v $tool > /dev/null || { echo "no $tool: apt-get install it" >&2; exit 1; }
done
tools="pagepack w3m lynx html2text pandoc"
convert() {  # TOOL PAGE: the page as text on standard output
  case $1 in
    w3m) w3m -dump -O UTF-8 -T text/html "$2" ;;
    lynx) lynx -dump -nolist -display_charset=utf-8 "$2" ;;
    html2text) html2text -utf8 -nobs "$2" ;;
    pandoc) pandoc -f html -t plain "$2" ;;
  esac
}
now() { date +%s.%N; }
work=$(mktemp -d)
[ -n "${KEEP:-}" ] && echo "work in $work" >&2 || trap 'rm -rf "$work"' EXIT
printf '%-10s %-10s %7s %7s %7s %9s\n' site tool pages recall prec. "time (s)"
while [ $# -ge 4 ]; do
  name=$1 site=$2 entry=$3 max_pages=$4
  shift 4
  if [ ! -f "$site/$entry" ]; then echo "$name: $site/$entry is not installed, skipped" >&2; continue; fi
  w=$work/$name
  mkdir -p "$w/scan" "$w/out"
  cp -rL "$site" "$w/site"
  start=$(now)
  (cd "$w/site" && "$pagepack" -w Site 1.0 "$name" "$entry" > /dev/null 2> "$w/pack.err")
  echo "pagepack $(echo "$(now) - $start" | bc)" > "$w/times"
  (cd "$w/scan" && "$pageprobe" -s ../site/Site > ../listing.txt 2> /dev/null) || true
  perl -ne 'BEGIN { $max = shift } $t = $1 if /^Content Type = (\d+)/;
    print "$1\n" if /^URL: (.*)$/ && $t == 4 && $1 !~ /~\d+$/ && (!$max || $n++ < $max)' \
    "$max_pages" "$w/listing.txt" > "$w/pages"
  perl -ne 'print "$1\n" if /^URL: (.*)$/' "$w/listing.txt" > "$w/urls"
  (cd "$w/out" && while IFS= read -r u; do case $u in */*) mkdir -p "${u%/*}" ;; esac; done < "$w/urls")
  (cd "$w/out" && "$pageprobe" -s ../site/Site > /dev/null 2>&1) || true
  for tool in $tools; do
    [ $tool = pagepack ] && continue
    mkdir -p "$w/$tool"
    start=$(now)
    while IFS= read -r u; do
      mkdir -p "$w/$tool/$(dirname "$u")"
      # A byte-order mark, so that Chromium reads the text as UTF-8.
      { printf '\357\273\277'; convert $tool "$w/site/$u" 2> /dev/null || true; } > "$w/$tool/$u.txt"
    done < "$w/pages"
    echo "$tool $(echo "$(now) - $start" | bc)" >> "$w/times"
  done
  # The checking page: a frame per source page, per packed part and per
  # converter's text; one entry of check() per page and tool.
  perl -e '
    my ($w, $max, $checker, @tools) = @ARGV;
    open my $l, "<", "$w/listing.txt" or die;
    my (%parts, $type);
    while (<$l>) { $type = $1 if /^Content Type = (\d+)/; push @{$parts{$1}}, "$1~$2" if /^URL: (.*)~(\d+)$/ && $type == 4 }
    open my $p, "<", "$w/pages" or die; chomp(my @pages = <$p>);
    splice @pages, $max if $max && @pages > $max;
    my ($frames, @js, $n) = ("");
    my $q = sub { my $s = shift; $s =~ s/([^A-Za-z0-9\/._~-])/sprintf("%%%02X", ord $1)/ge; $s };
    for my $u (@pages) {
      my $id = "f" . $n++;
      $frames .= "<iframe id=\"$id\" sandbox=\"allow-same-origin\" src=\"site/" . $q->($u) . "\"></iframe>\n";
      (my $ju = $u) =~ s/(["\\])/\\$1/g;
      for my $tool (@tools) {
        my @files = $tool eq "pagepack" ? map { /~\d+$/ ? "out/$_.html" : "out/$_" } $u, @{$parts{$u} || []}
                                        : ("$tool/$u.txt");
        my @ids;
        for my $f (@files) {
          system("cp", "--", "$w/out/" . substr($f, 4, -5), "$w/$f") if $f =~ m{^out/(.*~\d+)\.html$};
          my $pid = "f" . $n++;
          $frames .= "<iframe id=\"$pid\" src=\"" . $q->($f) . "\"></iframe>\n";
          push @ids, "\"$pid\"";
        }
        push @js, "{url:\"$tool $ju\",src:\"$id\",parts:[" . join(",", @ids) . "]}";
      }
    }
    open my $c, ">", "$w/check.html" or die;
    print $c "<!DOCTYPE html><html><head><meta charset=utf-8><style>iframe{width:1280px;height:800px}</style>",
             "<script src=\"file://$checker\"></script></head><body><pre id=r></pre>\n$frames",
             "<script>onload = () => check([" . join(",\n", @js) . "]);</script></body></html>\n";
  ' "$w" "$max_pages" "$here/fidelity_check.js" $tools
  mkdir "$w/profile"
  chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --host-resolver-rules="MAP * ~NOTFOUND" --allow-file-access-from-files --virtual-time-budget=60000 \
    --user-data-dir="$w/profile" --dump-dom "file://$w/check.html" > "$w/dom.html" 2> /dev/null || true
  perl -MJSON::PP -e '
    my ($dom, $times, $name, @tools) = @ARGV;
    local $/; open my $d, "<", $dom or die; my $t = <$d>;
    $t =~ /RESULT (.*?) END/s or die "$name: no RESULT in the checking page\n";
    my $r = JSON::PP->new->decode($1 =~ s/&quot;/"/gr =~ s/&amp;/&/gr =~ s/&lt;/</gr =~ s/&gt;/>/gr);
    open my $tf, "<", $times or die; my %time = map { split / / } split /\n/, <$tf>;
    my $median = sub { my @v = sort { $a <=> $b } @_; @v ? ($v[$#v / 2] + $v[@v / 2]) / 2 : 1 };
    for my $tool (@tools) {
      my @p = grep { $_->{url} =~ /^\Q$tool\E / } @$r;
      printf "%-10s %-10s %7d %7.3f %7.3f %9.2f\n", $name, $tool, scalar @p,
        $median->(map { $_->{recall} } @p), $median->(map { $_->{precision} } @p), $time{$tool};
    }
  ' "$w/dom.html" "$w/times" "$name" $tools
done
