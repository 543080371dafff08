#!/usr/bin/env bash
# Makes the demo site's images and launcher icons with netpbm.
# The results are committed; run this again only to change them.
#   LgIcon.pnm  32x32 greymap: large launcher icon (black where the sample is 0)
#   SmIcon.pnm  15x9 greymap: small launcher icon
#   logo.pgm    120x40 greymap (P5): title text over a strip of grey levels
#   sun.ppm     80x60 pixmap (P6): a shaded disc
set -euo pipefail
out=${1:-$(dirname "$0")}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Letters "PQ" from netpbm's built-in font, 13x9 once cropped.
pbmtext -builtin fixed "PQ" | pnmcrop > "$tmp/pq.pbm"

# Large icon: the letters doubled (26x18), centred in a white 30x30 square
# with a one-pixel black frame.
pnmenlarge 2 "$tmp/pq.pbm" \
  | pnmpad -white -left 2 -right 2 -top 6 -bottom 6 \
  | pnmpad -black -left 1 -right 1 -top 1 -bottom 1 \
  | pamdepth -quiet 255 > "$out/LgIcon.pnm"

# Small icon: the letters with one white column on each side.
pnmpad -white -left 1 -right 1 "$tmp/pq.pbm" | pamdepth -quiet 255 > "$out/SmIcon.pnm"

# Logo: text on white above a ramp from black to white, so that all four
# grey levels of a 2-bit image show.
pbmtext -builtin fixed "PQA Demo" | pnmcrop \
  | pnmenlarge 2 \
  | pnmpad -white -width 120 -height 28 -halign 0.5 -valign 0.5 \
  | pamdepth -quiet 255 > "$tmp/text.pgm"
pgmramp -lr 120 12 > "$tmp/ramp.pgm"
pnmcat -tb "$tmp/text.pgm" "$tmp/ramp.pgm" > "$out/logo.pgm"

# Sun: an elliptical ramp, coloured; pagepack reads the red samples of a P6.
pgmramp -ellipse 80 60 | pgmtoppm "rgb:ff/c0/40" > "$out/sun.ppm"

for f in LgIcon.pnm SmIcon.pnm logo.pgm sun.ppm; do
  printf '%-11s %s\n' "$f" "$(pnmfile < "$out/$f" | sed 's/^stdin:[[:space:]]*//')"
done
