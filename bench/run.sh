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
for tool in pnmtopalm palmtopnm; do
  command -v $tool > /dev/null || { echo "bench: $tool missing (make deps installs netpbm)" >&2; exit 1; }
done

rm -rf "$w"
mkdir -p "$w"
echo "generating the site in $w/site ..."
"$here/gen_site.pl" "$w/site"
cp "$src/examples/LgIcon.pnm" "$src/examples/SmIcon.pnm" "$w/site/"
cd "$w"

# measure SETUP COMMAND...: runs SETUP (untimed), then COMMAND, $runs times,
# or once when a run takes more than 5 seconds; prints the median wall-clock
# time in seconds.
measure() {
  local setup=$1
  shift
  local r t0 t1 times=()
  for ((r = 0; r < runs; r++)); do
    $setup
    t0=$EPOCHREALTIME
    "$@" > /dev/null
    t1=$EPOCHREALTIME
    times+=("$(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }')")
    awk -v t="${times[-1]}" 'BEGIN { exit !(t > 5) }' && break
  done
  printf '%s\n' "${times[@]}" | sort -g | awk '{ a[NR] = $1 } END { printf "%.3f\n", a[int((NR + 1) / 2)] }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", (b > 0 ? a / b : 0) }'; }
none() { :; }
mb() { awk -v n="$1" 'BEGIN { printf "%.1f MB", n / 1e6 }'; }
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

pack_floor() { "$here/io_floor.pl" "${inputs[@]}" -- floor.out "$db_bytes"; }
t_pack_floor=$(measure none pack_floor)

images=(site/img*.pgm)
pack_images_clean() { rm -f site/Images; }
pack_images() { (cd site && "$pagepack" Images 1.0 Images img*.pgm > /dev/null); }
t_pack_img=$(measure pack_images_clean pack_images)

mkdir -p palm
pnmtopalm_all() { local f; for f in "${images[@]}"; do pnmtopalm -depth 2 "$f" > "palm/${f##*/}.palm"; done; }
t_pnmtopalm=$(measure none pnmtopalm_all)
spawn_all() { local f; for f in "${images[@]}"; do /bin/true "$f"; done; }
t_spawn=$(measure none spawn_all)

# ---- pageprobe --------------------------------------------------------------
probe_clean() { rm -rf probe && mkdir probe; }
probe_db() { (cd probe && "$pageprobe" ../site/Bench > /dev/null); }
t_probe=$(measure probe_clean probe_db)
out_files=$(find probe -type f | wc -l)
out_bytes=$(find probe -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')
html_files=$(find probe -name '*.html' | wc -l)

# The link rewrite is one shell loop that pageprobe runs at its end and that
# cannot be switched off. Capture the sed script it runs (a sed first in PATH
# that keeps a copy of the script file it is given with -f), then time the
# same loop, as pageprobe builds it, on its own over the same files;
# "without the rewrite" is the difference.
mkdir -p shim capture
cat > shim/sed <<SHIM
#!/bin/sh
[ "\$1" = -f ] && [ ! -f "$w/sed_script" ] && cp "\$2" "$w/sed_script"
exec $(command -v sed) "\$@"
SHIM
chmod +x shim/sed
(cd capture && PATH="$w/shim:$PATH" "$pageprobe" ../site/Bench > /dev/null)
[ -f sed_script ] || { echo "bench: pageprobe ran no sed -f" >&2; exit 1; }
substitutions=$(grep -c '^s/' sed_script)
rewrite_cmd="for i in *.html ; do [ -f \"\$i\" ] || continue ; LC_ALL=C sed -f '$w/sed_script' <\"\$i\" >\"\$i.new\" && mv -f -- \"\$i.new\" \"\$i\" ; done"
rewrite() { (cd probe && sh -c "$rewrite_cmd"); }
t_rewrite=$(measure none rewrite)
t_probe_norw=$(awk -v a="$t_probe" -v b="$t_rewrite" 'BEGIN { printf "%.3f", a - b }')
# Directly: pageprobe with a sed that fails at once, so the loop only starts
# one process per page and moves nothing.
mkdir -p falseshim
ln -sf "$(command -v false)" falseshim/sed
probe_nosed() { (cd probe && PATH="$w/falseshim:$PATH" "$pageprobe" ../site/Bench > /dev/null); }
t_probe_nosed=$(measure probe_clean probe_nosed)
# The same rewrite with its substitutions behind one /flags=04/ address, so
# that sed tries them only on lines that hold a page link (same output).
{ echo '/flags=04/{'; cat sed_script; echo '}'; } > sed_guarded
guarded_cmd=${rewrite_cmd//sed_script/sed_guarded}
rewrite_guarded() { (cd probe && sh -c "$guarded_cmd"); }
t_rewrite_guarded=$(measure none rewrite_guarded)

mkdir -p floorprobe
mapfile -t out_spec < <(cd probe && find . -type f -printf "$w/floorprobe/%f\n%s\n")
probe_floor() { "$here/io_floor.pl" site/Bench -- "${out_spec[@]}"; }
t_probe_floor=$(measure none probe_floor)

bitmaps=$("$here/extract_bitmaps.pl" site/Bench bitmaps)
mkdir -p pnm
palmtopnm_all() { local f; for f in bitmaps/*.palm; do palmtopnm "$f" > "pnm/${f##*/}.pnm"; done; }
t_palmtopnm=$(measure none palmtopnm_all)
probe_img_clean() { rm -rf probe_img && mkdir probe_img; }
probe_images() { (cd probe_img && "$pageprobe" ../site/Images > /dev/null); }
t_probe_img=$(measure probe_img_clean probe_images)

# ---- report -----------------------------------------------------------------
row() { printf '%-54s %8s  %s\n' "$1" "$2" "${3:-}"; }
echo
echo "site: 500 pages and ${#images[@]} images, $(mb "$in_bytes") of input"
echo "database Bench: $db_records records, $(mb "$db_bytes")"
echo "pageprobe wrote $out_files files ($html_files pages), $(mb "$out_bytes"); link rewrite: $substitutions substitutions"
echo "wall-clock seconds, median of $runs runs (1 run above 5 s); $(nproc) CPUs, $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //')"
echo
row "pagepack, whole site (p000.html reaches all 1000)" "$t_pack" "= $(ratio "$t_pack" "$t_pack_floor") x I/O floor"
row "  I/O floor: read the inputs, write the output size" "$t_pack_floor"
row "pagepack, the ${#images[@]} images alone" "$t_pack_img"
row "  pnmtopalm -depth 2, one run per image" "$t_pnmtopalm" "netpbm takes $(ratio "$t_pnmtopalm" "$t_pack_img") x as long"
row "  (starting ${#images[@]} processes of /bin/true)" "$t_spawn"
echo
row "pageprobe, whole database, with the link rewrite" "$t_probe" "= $(ratio "$t_probe" "$t_probe_floor") x I/O floor"
row "  link rewrite alone (the same sed loop, again)" "$t_rewrite"
row "  without the rewrite: difference of the two" "$t_probe_norw" "= $(ratio "$t_probe_norw" "$t_probe_floor") x I/O floor"
row "  without the rewrite: its sed replaced by false" "$t_probe_nosed" "= $(ratio "$t_probe_nosed" "$t_probe_floor") x I/O floor"
row "  I/O floor: read the database, write the same files" "$t_probe_floor"
row "  (rewrite with the substitutions behind /flags=04/)" "$t_rewrite_guarded"
row "pageprobe, database of the ${#images[@]} images alone" "$t_probe_img"
row "  palmtopnm, one run per bitmap ($bitmaps bitmaps)" "$t_palmtopnm" "netpbm takes $(ratio "$t_palmtopnm" "$t_probe_img") x as long"
