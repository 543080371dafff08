#!/usr/bin/env bash
# make deb: builds the Debian package pagepack_VERSION_ARCH.deb into OUT.
# dpkg-buildpackage builds in the tree it is given and writes its packages
# beside it, so it runs on a copy of the source in OUT/deb (without version
# control and build trees). The version is the one of project() in
# CMakeLists.txt, and debian/changelog's latest entry must name it.
# Usage: make_deb.sh SOURCE_DIR OUT_DIR [JOBS]
set -euo pipefail
src=$(cd "$1" && pwd)
out=$2
jobs=${3:-2}
version=$(sed -n 's/^project([A-Za-z_]* VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")
[ -n "$version" ] || { echo "make deb: no project(... VERSION ...) in $src/CMakeLists.txt" >&2; exit 1; }
arch=$(dpkg-architecture -qDEB_HOST_ARCH)
changelog=$(dpkg-parsechangelog -l "$src/debian/changelog" -S Version)
[ "$changelog" = "$version" ] || {
  echo "make deb: debian/changelog is at $changelog, CMakeLists.txt at $version: add an entry that says what $version holds" >&2
  exit 1
}

work=$out/deb
tree=$work/pagepack-$version
rm -rf "$work"
mkdir -p "$tree"
excludes=(--exclude-vcs --exclude='./build*' --exclude='*.deb')
case $out in "$src"/*) excludes+=(--exclude="./${out#"$src"/}") ;; esac
tar -C "$src" "${excludes[@]}" -cf - . | tar -C "$tree" -xf -

echo "make deb: dpkg-buildpackage in $tree (log: $work/build.log)"
if ! (cd "$tree" && DEB_BUILD_OPTIONS="noautodbgsym parallel=$jobs ${DEB_BUILD_OPTIONS:-}" \
      dpkg-buildpackage -us -uc -b > "$work/build.log" 2>&1); then
  tail -40 "$work/build.log" >&2
  echo "make deb: dpkg-buildpackage failed; the whole log is $work/build.log" >&2
  exit 1
fi
deb=pagepack_${version}_$arch.deb
mv "$work/$deb" "$out/$deb"
echo "$out/$deb"
