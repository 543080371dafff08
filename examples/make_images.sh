#!/usr/bin/env bash
# Makes the demo site's images and launcher icons with netpbm.
# The results are committed; run this again only to change them.
#   LgIcon.pnm  32x32 greymap: large launcher icon (black where the sample is 0)
#   SmIcon.pnm  15x9 greymap: small launcher icon
#   logo.pgm    120x40 greymap (P5): title text over a strip of grey levels
#   sun.ppm     80x60 pixmap (P6): a shaded disc
#   cloth.gif   48x32 GIF: a gingham tablecloth in three colours
#   badge.png   40x40 PNG with transparency: a round badge, clear around it
#   photo.jpg   80x60 JPEG: a camouflage pattern, as a stand-in for a photo
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

# The formats of web sites, which pagepack reads directly.
ppmpat -gingham3 -color=rgb:60/30/10,rgb:ff/e0/b0,rgb:c0/80/40 48 32 \
  | pamtogif -quiet > "$out/cloth.gif"
pgmramp -ellipse 40 40 > "$tmp/disc.pgm"
pamthreshold -simple -threshold=0.3 "$tmp/disc.pgm" | pamtopnm > "$tmp/mask.pbm"
pgmtoppm rgb:ff/ff/ff-rgb:20/60/c0 "$tmp/disc.pgm" \
  | pnmtopng -alpha="$tmp/mask.pbm" > "$out/badge.png"
ppmpat -camo -randomseed=1 80 60 | pnmtojpeg -quality=75 > "$out/photo.jpg"

for f in LgIcon.pnm SmIcon.pnm logo.pgm sun.ppm; do
  printf '%-11s %s\n' "$f" "$(pnmfile < "$out/$f" | sed 's/^stdin:[[:space:]]*//')"
done
for f in cloth.gif badge.png photo.jpg; do printf '%-11s %s\n' "$f" "$(file -b "$out/$f")"; done
