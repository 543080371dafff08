#!/usr/bin/env bash
# The Debian packages each entry point installs: tools/install_packages.sh
# run against stand-ins for dpkg-query, apt-get, sudo and id (nothing is
# installed), the lists that make build, demo, install, bench, deb and test
# hand it before anything else, and the build dependencies of debian/control.
# Usage: packages_test.sh SOURCE_DIR
set -euo pipefail
src=$1
# Run as a test under `make test`: the outer make's settings must not leak in.
unset MAKEFLAGS MFLAGS MAKELEVEL MAKEOVERRIDES
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
. "$(dirname "$0")/../support/checks.sh"

# Stand-ins: a package is installed unless named in $MISSING; apt-get and
# sudo only write down how they were called; id says $UID_SHOWN.
mkdir "$tmp/apt" "$tmp/noapt" "$tmp/none"
cat > "$tmp/noapt/dpkg-query" << 'END'
#!/bin/sh
for package; do :; done
case " $MISSING " in *" $package "*) exit 1 ;; esac
printf 'install ok installed'
END
printf '#!/bin/sh\necho "%s $*" >> "$CALLS"\n' apt-get > "$tmp/apt/apt-get"
printf '#!/bin/sh\necho "%s $*" >> "$CALLS"\n' sudo > "$tmp/apt/sudo"
printf '#!/bin/sh\necho "${UID_SHOWN:-0}"\n' > "$tmp/noapt/id"
chmod +x "$tmp"/*/*
cp "$tmp/noapt/"* "$tmp/apt/"
ln -s "$(command -v env)" "$tmp/apt/env"

lock="-o DPkg::Lock::Timeout=600"
check() { # what PATH UID_SHOWN MISSING want-status want-out want-err want-calls
  rm -f "$tmp/calls"
  set +e
  PATH=$2 UID_SHOWN=$3 MISSING=$4 CALLS=$tmp/calls \
    "$src/tools/install_packages.sh" cmake libgif-dev libpng-dev libgif-dev > "$tmp/out" 2> "$tmp/err"
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

# Every library a build package brings is a build dependency of the package.
build_depends=$(sed -n '/^Build-Depends:/,/^[A-Z]/p' "$src/debian/control" | sed '$d')
for dev in $build_packages; do
  case $dev in lib*-dev) ;; *) continue ;; esac
  [ "$dev" = libgtest-dev ] && continue  # the package is built without its tests
  grep -qw -- "$dev" <<< "$build_depends" || fail "debian/control: $dev is not in Build-Depends"
done

checks_done
echo "packages: all checks passed"
