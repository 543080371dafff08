#!/usr/bin/env bash
# The Debian packages each entry point installs: tools/install_packages.sh
# run against stand-ins for dpkg-query, apt-get, sudo and id (nothing is
# installed), the lists that make build, demo, install, bench, deb and test
# hand it before anything else, every target under INSTALL_PACKAGES=no, the
# paths make refuses, and the build dependencies of debian/control.
# Usage: packages_test.sh SOURCE_DIR
set -euo pipefail
src=$1
# Run as a test under `make test`: the outer make's settings must not leak in.
unset MAKEFLAGS MFLAGS MAKELEVEL MAKEOVERRIDES
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
. "$(dirname "$0")/../support/checks.sh"

# Stand-ins: a package is installed unless named in $MISSING, unknown to
# dpkg, or in $STATES as PACKAGE=STATUS,STATUS (a status for each instance,
# as ${db:Status-Status} prints them); apt-get and sudo only write down how
# they were called; id says $UID_SHOWN.
mkdir "$tmp/apt" "$tmp/noapt" "$tmp/none"
cat > "$tmp/noapt/dpkg-query" << 'END'
#!/bin/sh
for package; do :; done
case " $MISSING " in *" $package "*) exit 1 ;; esac
for s in $STATES; do
  case $s in "$package="*) IFS=,; printf '%s\n' ${s#*=}; exit 0 ;; esac
done
echo installed
END
printf '#!/bin/sh\necho "%s $*" >> "$CALLS"\n' apt-get > "$tmp/apt/apt-get"
printf '#!/bin/sh\necho "%s $*" >> "$CALLS"\n' sudo > "$tmp/apt/sudo"
printf '#!/bin/sh\necho "${UID_SHOWN:-0}"\n' > "$tmp/noapt/id"
chmod +x "$tmp"/*/*
cp "$tmp/noapt/"* "$tmp/apt/"
ln -s "$(command -v env)" "$tmp/apt/env"

lock="-o DPkg::Lock::Timeout=600"
check() { # what PATH UID_SHOWN MISSING want-status want-out want-err want-calls [option]
  rm -f "$tmp/calls"
  set +e
  PATH=$2 UID_SHOWN=$3 MISSING=$4 CALLS=$tmp/calls \
    "$src/tools/install_packages.sh" ${9:-} cmake libgif-dev libpng-dev libgif-dev > "$tmp/out" 2> "$tmp/err"
  local status=$?
  set -e
  expect "$1: status" "$status" "$5"
  expect "$1: standard output" "$(cat "$tmp/out")" "$6"
  expect "$1: standard error" "$(cat "$tmp/err")" "$7"
  expect "$1: calls" "$(cat "$tmp/calls" 2> /dev/null)" "$8"
}
check "all installed" "$tmp/apt" 0 "" 0 "" "" ""
check "one missing, as root" "$tmp/apt" 0 "libgif-dev" 0 "installing: libgif-dev" "" \
  "apt-get $lock update -qq
apt-get $lock install -y -qq libgif-dev"
check "two missing, through sudo" "$tmp/apt" 1000 "libgif-dev cmake" 0 "installing: cmake libgif-dev" "" \
  "sudo apt-get $lock update -qq
sudo env DEBIAN_FRONTEND=noninteractive apt-get $lock install -y -qq cmake libgif-dev"
check "no apt-get" "$tmp/noapt" 0 "libgif-dev libpng-dev" 1 "" \
  "missing Debian packages: libgif-dev libpng-dev; install them (there is no apt-get here)" ""
# Two architectures and a hold are installed; a package removed with its
# configuration kept, or known only from a list, is not.
STATES="cmake=installed,installed libgif-dev=installed libpng-dev=config-files" \
  check "per instance" "$tmp/apt" 0 "" 0 "installing: libpng-dev" "" \
  "apt-get $lock update -qq
apt-get $lock install -y -qq libpng-dev"
STATES="libgif-dev=not-installed,installed libpng-dev=not-installed" \
  check "check only" "$tmp/apt" 1000 "cmake" 1 "" \
  "missing Debian packages: cmake libpng-dev; install them (INSTALL_PACKAGES=no: nothing is installed)" "" --check-only
check "not Debian" "$tmp/none" 0 "" 0 "" \
  "not a Debian system: make sure the equivalents of these Debian packages are installed: cmake libgif-dev libpng-dev libgif-dev" ""

# What each entry point asks for first, before it builds anything.
build_packages=$(make -s -C "$src" print-BUILD_PACKAGES)
while read -r target wanted unwanted; do  # "-": none
  wanted=${wanted#-} unwanted=${unwanted#-}
  commands=$(make -n -C "$src" --no-print-directory BUILD="$tmp/build" "$target")
  first=${commands%%$'\n'*}
  asked=" ${first#tools/install_packages.sh } "
  [ "$asked" != " $first " ] || fail "make $target starts with [$first], not tools/install_packages.sh"
  for p in $build_packages ${wanted//,/ }; do
    [[ $asked == *" $p "* ]] || fail "make $target does not install $p"
  done
  for p in ${unwanted//,/ }; do
    [[ $asked != *" $p "* ]] || fail "make $target installs $p"
  done
done << 'END'
build - chromium,netpbm,lintian
demo libpalm-pdb-perl chromium,netpbm,lintian
install - chromium
bench netpbm chromium
deb dpkg-dev,debhelper,lintian chromium
test chromium,netpbm,txt2pdbdoc,libpalm-pdb-perl -
END

# INSTALL_PACKAGES=no: every target that installs stops at its first step,
# naming the missing package, and neither apt-get nor sudo runs (nor the
# cmake and dpkg-architecture of the steps after it).
mkdir "$tmp/make"
for tool in cmake dpkg-architecture; do
  printf '#!/bin/sh\necho "%s $*" >> "$CALLS"\nexit 1\n' $tool > "$tmp/make/$tool"
done
chmod +x "$tmp/make/"*
for target in "" build programs test demo install bench deb deb-test sanitize fuzz; do
  rm -f "$tmp/calls"
  set +e
  PATH=$tmp/make:$tmp/apt:$PATH UID_SHOWN=1000 MISSING=libgif-dev CALLS=$tmp/calls make -s -C "$src" \
    --no-print-directory INSTALL_PACKAGES=no BUILD="$tmp/build" SANITIZE_BUILD="$tmp/build" \
    FUZZ_BUILD="$tmp/build" $target > "$tmp/out" 2>&1
  status=$?
  set -e
  [ $status != 0 ] || fail "make INSTALL_PACKAGES=no $target: status 0 with libgif-dev missing"
  grep -q "missing Debian packages: libgif-dev" "$tmp/out" ||
    fail "make INSTALL_PACKAGES=no $target does not name libgif-dev: $(cat "$tmp/out")"
  [ ! -e "$tmp/calls" ] || fail "make INSTALL_PACKAGES=no $target ran $(cat "$tmp/calls")"
  [ ! -e "$tmp/build" ] || fail "make INSTALL_PACKAGES=no $target built"
done

# A path make would split, or the shell read, is refused before anything runs.
mkdir -p "$tmp/keep" "$tmp/keep me/build"
for path in "$tmp/keep me/build" "$tmp/keep;x"; do
  for target in clean demo; do
    make -s -C "$src" BUILD="$path" SANITIZE_BUILD="$tmp/s" FUZZ_BUILD="$tmp/f" $target \
      > "$tmp/out" 2>&1 && fail "make $target BUILD=\"$path\": status 0"
    grep -q "BUILD=\"$path\": a path with a blank" "$tmp/out" || fail "make $target BUILD=\"$path\": $(cat "$tmp/out")"
  done
done
[ -d "$tmp/keep" ] && [ -d "$tmp/keep me/build" ] || fail "make clean with a blank in BUILD removed a folder"

# No built package nor download is kept in the tree (a source package has no .git).
if git -C "$src" rev-parse --git-dir > /dev/null 2>&1; then
  expect "packages and archives in the tree" "$(git -C "$src" ls-files '*.deb' '*.tar.*' '*.zip')" ""
fi

# Every library a build package brings is a build dependency of the package.
build_depends=$(sed -n '/^Build-Depends:/,/^[A-Z]/p' "$src/debian/control" | sed '$d')
for dev in $build_packages; do
  case $dev in lib*-dev) ;; *) continue ;; esac
  [ "$dev" = libgtest-dev ] && continue  # the package is built without its tests
  grep -qw -- "$dev" <<< "$build_depends" || fail "debian/control: $dev is not in Build-Depends"
done

# The package's name and version stand in the man pages' footers and the
# changelog; the tools the messages recommend are suggested.
version=$(sed -n 's/^project([A-Za-z_]* VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")
for page in pagepack pageprobe; do
  expect "footer of $page.1" "$(sed -n '1s/^\.TH [A-Z]* 1 "[0-9-]*" "\([^"]*\)".*/\1/p' "$src/man/$page.1")" \
    "pagepack $version"
done
expect "changelog version" "$(sed -n '1s/^pagepack (\([^)]*\)).*/\1/p' "$src/debian/changelog")" "$version"
expect "Suggests" "$(sed -n 's/^Suggests: //p' "$src/debian/control")" netpbm

checks_done
echo "packages: all checks passed"
