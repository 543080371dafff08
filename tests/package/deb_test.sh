#!/usr/bin/env bash
# make deb-test: the package that make deb built passes lintian --pedantic
# --info without a message, holds exactly the programs, the compressed man
# pages, the README, the changelog, the copyright file and the example site,
# depends on the image libraries (as dpkg-shlibdeps found them), installs,
# runs the demo and the README's sessions with the installed programs, and
# leaves no file behind when removed. Needs root; refuses to touch a pagepack
# installed before.
# Usage: deb_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
src=$(cd "$1" && pwd)
build=$2
version=$(sed -n 's/^project([A-Za-z_]* VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")
deb=$build/pagepack_${version}_$(dpkg-architecture -qDEB_HOST_ARCH).deb
tmp=$(mktemp -d)
installed=no
cleanup() {
  if [ $installed = yes ]; then dpkg -r pagepack > /dev/null 2>&1 || true; fi
  rm -rf "$tmp"
}
trap cleanup EXIT
. "$(dirname "$0")/../support/checks.sh"
is_installed() { [ "$(dpkg-query -W -f='${Status}' pagepack 2> /dev/null)" = "install ok installed" ]; }

[ "$(id -u)" = 0 ] || { echo "deb-test installs the package: run it as root" >&2; exit 1; }
[ -f "$deb" ] || { echo "no $deb: run make deb first" >&2; exit 1; }
if is_installed; then
  echo "pagepack is installed on this machine already; remove it (dpkg -r pagepack) first" >&2
  exit 1
fi

# lintian: not a message, at every level.
set +e
lintian --pedantic --info "$deb" > "$tmp/lintian" 2> "$tmp/lintian.err"
status=$?
set -e
[ $status = 0 ] || fail "lintian reports errors (exit status $status): $(cat "$tmp/lintian.err")"
expect "lintian --pedantic --info" "$(cat "$tmp/lintian")" ""

doc=usr/share/doc/pagepack
examples=$(cd "$src/examples" && LC_ALL=C ls | sed "s|^|./$doc/examples/|" | tr '\n' ' ')
expect "files in the package" "$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | LC_ALL=C sort | tr '\n' ' ')" \
  "./usr/bin/pagepack ./usr/bin/pageprobe ./$doc/README.md.gz ./$doc/changelog.gz ./$doc/copyright \
${examples}./usr/share/man/man1/pagepack.1.gz ./usr/share/man/man1/pageprobe.1.gz "
expect "package version" "$(dpkg-deb -f "$deb" Version)" "$version"
depends=$(dpkg-deb -f "$deb" Depends)
expect "Suggests" "$(dpkg-deb -f "$deb" Suggests)" netpbm
for lib in libpng16-16 libgif7 libjpeg62-turbo; do
  grep -q "$lib" <<< "$depends" || fail "Depends [$depends] lacks $lib"
done

# Installed as a user would (apt resolves the dependencies).
installed=yes
apt-get -o DPkg::Lock::Timeout=600 install -y -qq "$deb" > "$tmp/apt" 2>&1 ||
  { cat "$tmp/apt" >&2; fail "apt-get install $deb"; }
if is_installed; then
  expect "pagepack --version" "$(/usr/bin/pagepack --version)" "pagepack $version"
  expect "pageprobe --version" "$(/usr/bin/pageprobe --version)" "pageprobe $version"
  for page in pagepack pageprobe; do
    expect "warnings formatting $page.1.gz" \
      "$(zcat "/usr/share/man/man1/$page.1.gz" | groff -ww -man -z 2>&1)" ""
  done
  # The demo site packed and listed by the installed programs.
  "$src/tests/demo/demo_test.sh" "$src/examples" /usr/bin/pagepack /usr/bin/pageprobe \
    "$src/tests/support/pdb_dump.pl" "$src/tests/demo/compare_image.pl" ||
    fail "demo with the installed programs"
  "$src/tests/readme/readme_test.sh" "$src/README.md" /usr/bin/pagepack /usr/bin/pageprobe ||
    fail "the README's sessions with the installed package"

  dpkg -L pagepack > "$tmp/files"
  dpkg -r pagepack > "$tmp/dpkg-r" 2>&1 || { cat "$tmp/dpkg-r" >&2; fail "dpkg -r pagepack"; }
  installed=no
  is_installed && fail "pagepack still installed after dpkg -r"
  left=$(while read -r f; do
    if [ -e "$f" ] && [ ! -d "$f" ]; then echo "$f"; fi
  done < "$tmp/files")
  expect "files left after dpkg -r" "$left" ""
  [ ! -e /$doc ] || fail "/$doc left after dpkg -r"
else
  fail "pagepack not installed after apt-get install"
fi

checks_done
echo "deb: all checks passed"
