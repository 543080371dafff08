#!/usr/bin/env bash
# Makes the README's picture, docs/packed-page.png, from a real run: the
# Valgrind manual of Debian's valgrind package packed with pagepack -w, one of
# its pages in the preview of pageprobe -p (left) beside the same page as
# Chromium shows it (right), both screenshots of headless Chromium joined
# with netpbm.
# Usage: readme_picture.sh BUILD_DIR [OUT.png] [PAGE]
set -euo pipefail
build=$(cd "$1" && pwd)
out=${2:-$(dirname "$0")/../docs/packed-page.png}
page=${3:-quick-start.html}
manual=/usr/share/doc/valgrind/html
examples=$(cd "$(dirname "$0")/../examples" && pwd)
for tool in chromium pnmcat pngtopnm; do
  command -v $tool > /dev/null || { echo "readme_picture.sh: $tool is missing" >&2; exit 1; }
done
[ -f "$manual/$page" ] || { echo "readme_picture.sh: no $manual/$page (Debian package valgrind)" >&2; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

cp -rL "$manual" "$tmp/site"
cp "$examples/LgIcon.pnm" "$examples/SmIcon.pnm" "$tmp/site/"
(cd "$tmp/site" && "$build/pagepack/pagepack" -w Valgrind 3.19 'Valgrind manual' index.html > /dev/null 2> ../pack-messages.txt)
# The listing writes the records' files too; it makes the folders their URLs name.
mkdir -p "$tmp/out"
(cd "$tmp/out" && "$build/pageprobe/pageprobe" -p preview ../site/Valgrind > listing.txt 2> messages.txt) ||
  { cat "$tmp/out/messages.txt" >&2; echo "readme_picture.sh: pageprobe -p failed" >&2; exit 1; }
# The preview names a record's page by its index, its place in the listing.
index=$(awk -v url="URL: $page" '/^URL: / { if ($0 == url) { print n; exit } n++ }' "$tmp/out/listing.txt")
[ -n "$index" ] || { echo "readme_picture.sh: $page is not in the database" >&2; exit 1; }

shot() { # URL WIDTH HEIGHT OUT.png
  chromium --headless --no-sandbox --disable-gpu --no-first-run --hide-scrollbars \
    --window-size="$2,$3" --screenshot="$4" "$1" > /dev/null 2>&1
  [ -s "$4" ] || { echo "readme_picture.sh: Chromium made no screenshot of $1" >&2; exit 1; }
}
shot "file://$tmp/out/preview/$(printf 'record-%04d.html' "$index")" 380 720 "$tmp/preview.png"
shot "file://$tmp/site/$page" 720 720 "$tmp/browser.png"
pngtopnm "$tmp/preview.png" > "$tmp/preview.ppm"
pngtopnm "$tmp/browser.png" > "$tmp/browser.ppm"
ppmmake rgb:80/80/80 4 720 > "$tmp/rule.ppm"
pnmcat -lr "$tmp/preview.ppm" "$tmp/rule.ppm" "$tmp/browser.ppm" | pnmtopng -compression=9 > "$out"
echo "$out: $page, record $index of the preview, beside Chromium's view"
