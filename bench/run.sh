#!/usr/bin/env bash
# make bench: times pagepack and pageprobe on the largest site a database can
# hold (1000 records) against the I/O floor and against netpbm, and prints the
# ratios of this one run. Wall-clock seconds, median of BENCH_RUNS runs (5).
# Everything is written under BUILD_DIR/bench. See bench/README.md.
# Usage: run.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: run.sh BUILD_DIR}
here=$(cd "$(dirname "$0")" && pwd)
src=$(dirname "$here")
pagepack=$build/pagepack/pagepack
pageprobe=$build/pageprobe/pageprobe
runs=${BENCH_RUNS:-5}
w=$build/bench
for tool in pnmtopalm palmtopnm pnmtopng pngtopnm ppmtopgm pgmtoppm pnmtojpeg jpegtopnm pamscale; do
  command -v $tool > /dev/null || { echo "bench: $tool missing (make bench installs netpbm)" >&2; exit 1; }
done

rm -rf "$w"
mkdir -p "$w"
echo "generating the site in $w/site ..."
"$here/gen_site.pl" "$w/site"
cp "$src/examples/LgIcon.pnm" "$src/examples/SmIcon.pnm" "$w/site/"
cd "$w"

# measure SETUP COMMAND...: runs SETUP (untimed), then COMMAND, $runs times,
# or once when a run takes more than 5 seconds; prints the median wall-clock
# time and the median CPU time (user + system, children included) in seconds.
measure() {
  local setup=$1
  shift
  local r t TIMEFORMAT='%R %U %S'
  for ((r = 0; r < runs; r++)); do
    $setup
    t=$({ time "$@" > /dev/null 2> "$w/stderr.last"; } 2>&1)
    echo "$t"
    if awk -v t="${t%% *}" 'BEGIN { exit !(t > 5) }'; then break; fi
  done | awk '{ wall[NR] = $1; cpu[NR] = $2 + $3 }
    function median(a, n,   i, j, x) {
      for (i = 2; i <= n; i++) { x = a[i]; for (j = i - 1; j > 0 && a[j] > x; j--) a[j + 1] = a[j]; a[j + 1] = x }
      return a[int((n + 1) / 2)]
    }
    END { printf "%.3f %.3f\n", median(wall, NR), median(cpu, NR) }'
}
ratio() { awk -v a="${1%% *}" -v b="${2%% *}" 'BEGIN { printf "%.1f", (b > 0 ? a / b : 0) }'; }
cpu_ratio() { awk -v a="${1##* }" -v b="${2##* }" 'BEGIN { printf "%.1f", (b > 0 ? a / b : 0) }'; }
none() { :; }
mb() { awk -v n="$1" 'BEGIN { printf "%.1f MB", n / 1e6 }'; }
pct() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.0f %%", (b > 0 ? 100 * a / b : 0) }'; }
records_in() { perl -e 'open F, "<:raw", $ARGV[0] or die; read F, $h, 78; print unpack("n", substr($h, 76, 2))' "$1"; }

# ---- pagepack ---------------------------------------------------------------
inputs=(site/*.html site/*.pgm site/LgIcon.pnm site/SmIcon.pnm)
in_bytes=$(cat "${inputs[@]}" | wc -c)
pack_clean() { rm -f site/Bench; }
pack_site() { (cd site && "$pagepack" Bench 1.0 Bench p000.html > /dev/null); }
t_pack=$(measure pack_clean pack_site)
[ -f site/Bench ] || { echo "bench: pagepack wrote no database" >&2; exit 1; }
db_bytes=$(wc -c < site/Bench)
db_records=$(records_in site/Bench)
# The same site read as a web browser reads it (-w).
pack_site_web() { (cd site && "$pagepack" -w Bench 1.0 Bench p000.html > /dev/null); }
t_pack_web=$(measure pack_clean pack_site_web)
web_records=$(records_in site/Bench)

# The image options: -z alone (what compression saves), and -d -c 8 -z (the
# most work an image record takes: dithered greys, a dithered colour rendition,
# every bitmap compressed four ways).
pack_z_clean() { rm -f site/BenchZ; }
pack_site_z() { (cd site && "$pagepack" -z BenchZ 1.0 Bench p000.html > /dev/null); }
t_pack_z=$(measure pack_z_clean pack_site_z)
db_z_bytes=$(wc -c < site/BenchZ)
pack_dcz_clean() { rm -f site/BenchDCZ; }
pack_site_dcz() { (cd site && "$pagepack" -d -c 8 -z BenchDCZ 1.0 Bench p000.html > /dev/null); }
t_pack_dcz=$(measure pack_dcz_clean pack_site_dcz)
db_dcz_bytes=$(wc -c < site/BenchDCZ)

pack_floor_clean() { rm -f floor.out; }
pack_floor() { "$here/io_floor.pl" "${inputs[@]}" -- floor.out "$db_bytes"; }
t_pack_floor=$(measure pack_floor_clean pack_floor)

images=(site/img*.pgm)
pack_images_clean() { rm -f site/Images; }
pack_images() { (cd site && "$pagepack" Images 1.0 Images img*.pgm > /dev/null); }
t_pack_img=$(measure pack_images_clean pack_images)
img_bytes=$(wc -c < site/Images)
pack_images_z() { (cd site && "$pagepack" -z Images 1.0 Images img*.pgm > /dev/null); }
t_pack_img_z=$(measure pack_images_clean pack_images_z)
img_z_bytes=$(wc -c < site/Images)
pack_images_dcz() { (cd site && "$pagepack" -d -c 8 -z Images 1.0 Images img*.pgm > /dev/null); }
t_pack_img_dcz=$(measure pack_images_clean pack_images_dcz)
img_dcz_bytes=$(wc -c < site/Images)
pack_images

mkdir -p palm
pnmtopalm_all() { local f; for f in "${images[@]}"; do pnmtopalm -depth 2 "$f" > "palm/${f##*/}.palm"; done; }
t_pnmtopalm=$(measure none pnmtopalm_all)
spawn_all() { local f; for f in "${images[@]}"; do /bin/true "$f"; done; }
t_spawn=$(measure none spawn_all)

# The same 500 images as colour PNGs (made untimed), read by pagepack directly
# and by the netpbm pipeline that a site's PNGs needed before.
echo "making $((${#images[@]})) PNG images ..."
mkdir -p png palm_png
for f in "${images[@]}"; do
  n=${f##*/}
  pgmtoppm rgb:ff/c0/40 "$f" | pnmtopng > "png/${n%.pgm}.png"
done
pngs=(png/*.png)
pack_png_clean() { rm -f png/Png; }
pack_png() { (cd png && "$pagepack" Png 1.0 Png *.png > /dev/null); }
t_pack_png=$(measure pack_png_clean pack_png)
netpbm_png_all() {
  local f
  for f in "${pngs[@]}"; do
    pngtopnm -mix -background=white "$f" | ppmtopgm | pnmtopalm -depth 2 > "palm_png/${f##*/}.palm"
  done
}
t_netpbm_png=$(measure none netpbm_png_all)

# A 24-megapixel photo (made untimed) packed fitted to the screen, as JPEG and
# as PNG, against netpbm's pipeline for the JPEG.
echo "making a 6000 x 4000 photo ..."
mkdir -p photo
pgmramp -diag 6000 4000 | pgmtoppm rgb:ff/c0/40 > photo/photo.ppm
pnmtojpeg photo/photo.ppm > photo/photo.jpg
pnmtopng photo/photo.ppm > photo/photo.png
rm photo/photo.ppm
pack_photo_clean() { rm -f photo/Photo; }
pack_photo_jpg() { (cd photo && "$pagepack" --fit Photo 1.0 Photo photo.jpg > /dev/null); }
pack_photo_png() { (cd photo && "$pagepack" --fit Photo 1.0 Photo photo.png > /dev/null); }
netpbm_photo() {
  jpegtopnm photo/photo.jpg 2> /dev/null | pamscale -width 153 | ppmtopgm | pnmtopalm -depth 2 > photo/photo.palm
}
t_photo_jpg=$(measure pack_photo_clean pack_photo_jpg)
t_photo_png=$(measure pack_photo_clean pack_photo_png)
t_netpbm_photo=$(measure none netpbm_photo)

# ---- pageprobe --------------------------------------------------------------
probe_clean() { rm -rf probe && mkdir probe; }
probe_db() { (cd probe && "$pageprobe" ../site/Bench > /dev/null); }
t_probe=$(measure probe_clean probe_db)
out_files=$(find probe -type f | wc -l)
out_bytes=$(find probe -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')
html_files=$(find probe -name '*.html' | wc -l)
mapfile -t out_spec < <(cd probe && find . -type f -printf "$w/floorprobe/%f\n%s\n")

# The link rewrite is one shell command that pageprobe runs at its end and that
# cannot be switched off. Capture the sed script it runs (a sed first in PATH
# that keeps a copy of the script file it is given with -f), then time the
# same command, as pageprobe builds it, on its own over the same files;
# the difference of two runs drowns in noise, hence the separate timing.
mkdir -p shim capture
cat > shim/sed <<SHIM
#!/bin/sh
prev=
for a in "\$@"; do
  [ "\$prev" = -f ] && [ ! -f "$w/sed_script" ] && cp "\$a" "$w/sed_script"
  prev=\$a
done
exec $(command -v sed) "\$@"
SHIM
chmod +x shim/sed
(cd capture && PATH="$w/shim:$PATH" "$pageprobe" ../site/Bench > /dev/null)
[ -f sed_script ] || { echo "bench: pageprobe ran no sed -f" >&2; exit 1; }
substitutions=$(grep -c '^s/' sed_script)
sed_run="LC_ALL=C sed -i -f '$w/sed_script' -- \"\$@\""
rewrite_cmd="set -- ; for i in *.html ; do [ -f \"\$i\" ] || continue ; set -- \"\$@\" \"\$i\" ; if [ \$# -ge 256 ] ; then $sed_run ; set -- ; fi ; done ; if [ \$# -gt 0 ] ; then $sed_run ; fi"
rewrite() { (cd probe && sh -c "$rewrite_cmd"); }
t_rewrite=$(measure none rewrite)
# Without the rewrite: pageprobe with a sed that fails at once, so the
# command starts sed once per 256 pages and changes nothing.
mkdir -p falseshim
ln -sf "$(type -P false)" falseshim/sed
probe_nosed() { (cd probe && PATH="$w/falseshim:$PATH" "$pageprobe" ../site/Bench > /dev/null); }
t_probe_nosed=$(measure probe_clean probe_nosed)

probe_floor() { "$here/io_floor.pl" site/Bench -- "${out_spec[@]}"; }
probe_floor_clean() { rm -rf floorprobe && mkdir floorprobe; }
t_probe_floor=$(measure probe_floor_clean probe_floor)

bitmaps=$("$here/extract_bitmaps.pl" site/Bench bitmaps)
mkdir -p pnm
palmtopnm_all() { local f; for f in bitmaps/*.palm; do palmtopnm "$f" > "pnm/${f##*/}.pnm"; done; }
t_palmtopnm=$(measure none palmtopnm_all)
probe_img_clean() { rm -rf probe_img && mkdir probe_img; }
probe_images() { (cd probe_img && "$pageprobe" ../site/Images > /dev/null); }
t_probe_img=$(measure probe_img_clean probe_images)

# ---- report -----------------------------------------------------------------
# row LABEL "WALL CPU" [NOTE]
row() { printf '%-54s %8s %8s  %s\n' "$1" "${2%% *}" "${2##* }" "${3:-}"; }
vs_floor() { echo "= $(ratio "$1" "$2") x floor (CPU $(cpu_ratio "$1" "$2") x)"; }
vs_netpbm() { echo "netpbm takes $(ratio "$1" "$2") x as long (CPU $(cpu_ratio "$1" "$2") x)"; }
echo
echo "site: 500 pages and ${#images[@]} images, $(mb "$in_bytes") of input"
echo "database Bench: $db_records records, $(mb "$db_bytes")"
echo "pageprobe wrote $out_files files ($html_files pages), $(mb "$out_bytes"); link rewrite: $substitutions substitutions"
echo "seconds, median of $runs runs (1 run above 5 s); $(nproc) CPUs, $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'); load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo
row "" "wall cpu"
row "pagepack, whole site (p000.html reaches all 1000)" "$t_pack" "$(vs_floor "$t_pack" "$t_pack_floor")"
row "  I/O floor: read the inputs, write the output size" "$t_pack_floor"
row "pagepack -z, whole site" "$t_pack_z" "database $(mb "$db_z_bytes") = $(pct "$db_z_bytes" "$db_bytes") of the default's"
row "pagepack -d -c 8 -z, whole site" "$t_pack_dcz" "$(ratio "$t_pack_dcz" "$t_pack") x the default's time (CPU $(cpu_ratio "$t_pack_dcz" "$t_pack") x); database $(mb "$db_dcz_bytes")"
row "pagepack -w, the same site ($web_records records)" "$t_pack_web" \
  "= $(ratio "$t_pack_web" "$t_pack") x the default mode (CPU $(cpu_ratio "$t_pack_web" "$t_pack") x; aim: within 2 x)"
row "pagepack, the ${#images[@]} images alone" "$t_pack_img" "database $(mb "$img_bytes")"
row "  -z" "$t_pack_img_z" "database $(mb "$img_z_bytes") = $(pct "$img_z_bytes" "$img_bytes") of the default's"
row "  -d -c 8 -z" "$t_pack_img_dcz" "$(ratio "$t_pack_img_dcz" "$t_pack_img") x the default's time (CPU $(cpu_ratio "$t_pack_img_dcz" "$t_pack_img") x); database $(mb "$img_dcz_bytes")"
row "  pnmtopalm -depth 2, one run per image" "$t_pnmtopalm" "$(vs_netpbm "$t_pnmtopalm" "$t_pack_img")"
row "  (starting ${#images[@]} processes of /bin/true)" "$t_spawn"
row "pagepack, the same ${#pngs[@]} images as colour PNGs" "$t_pack_png"
row "  pngtopnm -mix | ppmtopgm | pnmtopalm, one per image" "$t_netpbm_png" "$(vs_netpbm "$t_netpbm_png" "$t_pack_png")"
row "pagepack --fit, a 6000 x 4000 photo as JPEG" "$t_photo_jpg"
row "  the same photo as PNG" "$t_photo_png"
row "  jpegtopnm | pamscale -width 153 | ppmtopgm | pnmtopalm" "$t_netpbm_photo" "$(vs_netpbm "$t_netpbm_photo" "$t_photo_jpg")"
echo
row "pageprobe, whole database, with the link rewrite" "$t_probe" "$(vs_floor "$t_probe" "$t_probe_floor")"
row "pageprobe, without the rewrite (its sed is false)" "$t_probe_nosed" "$(vs_floor "$t_probe_nosed" "$t_probe_floor")"
row "  I/O floor: read the database, write the same files" "$t_probe_floor"
row "  link rewrite alone (the same sed command, again)" "$t_rewrite"
row "pageprobe, database of the ${#images[@]} images alone" "$t_probe_img"
row "  palmtopnm, one run per bitmap ($bitmaps bitmaps)" "$t_palmtopnm" "$(vs_netpbm "$t_palmtopnm" "$t_probe_img")"
