#!/usr/bin/env bash
# make install puts exactly the two programs (from the build tree) and the two
# man pages under DESTDIR/PREFIX, with the right modes; the installed programs
# run; the man pages format without warnings; make uninstall removes them.
# Usage: install_test.sh <source dir> <build dir>
set -euo pipefail
src=$1
build=$2
# Run as a test under `make test`: the outer make's settings must not leak in.
unset MAKEFLAGS MFLAGS MAKELEVEL MAKEOVERRIDES
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
. "$(dirname "$0")/../support/checks.sh"

# INSTALL_DEPS= installs from the build tree as it is, without reconfiguring it.
run_make() { make -s -C "$src" BUILD="$build" INSTALL_DEPS= "$@" > "$tmp/make.out" 2>&1 || { cat "$tmp/make.out" >&2; fail "make $*"; }; }

check_installed() { # <destdir> <prefix>
  local root=$1 prefix=$2
  local expected actual
  expected=$(printf '%s\n' "$prefix/bin/pagepack" "$prefix/bin/pageprobe" \
    "$prefix/share/man/man1/pagepack.1" "$prefix/share/man/man1/pageprobe.1" | sort)
  actual=$(cd "$root" && find . -type f | sed 's|^\.||' | sort)
  [ "$actual" = "$expected" ] || fail "files under $root: got [$actual], want [$expected]"
  for p in pagepack pageprobe; do
    local f=$root$prefix/bin/$p
    [ -f "$f" ] || continue
    [ "$(stat -c %a "$f")" = 755 ] || fail "$f mode $(stat -c %a "$f")"
    cmp -s "$f" "$build/$p/$p" || fail "$f differs from the build's $p"
    local m=$root$prefix/share/man/man1/$p.1
    [ "$(stat -c %a "$m")" = 644 ] || fail "$m mode $(stat -c %a "$m")"
    cmp -s "$m" "$src/man/$p.1" || fail "$m differs from man/$p.1"
  done
}

# Default prefix.
run_make install DESTDIR="$tmp/default"
check_installed "$tmp/default" /usr/local

# Chosen prefix.
run_make install DESTDIR="$tmp/opt" PREFIX=/opt/pqa
check_installed "$tmp/opt" /opt/pqa

# The installed programs run: too few arguments give their usage messages.
bin=$tmp/opt/opt/pqa/bin
set +e
out=$("$bin/pagepack" 2>&1 >/dev/null)
status=$?
[ $status = 1 ] || fail "installed pagepack without arguments exited with $status"
case $out in
  *"pagepack <appname> <version> <title> <input file>"*) ;;
  *) fail "installed pagepack printed [$out]" ;;
esac
err=$("$bin/pageprobe" 2>&1 >/dev/null)
status=$?
set -e
[ $status = 1 ] || fail "installed pageprobe without arguments exited with $status"
case $err in
  *"usage: "*"pageprobe [-v] [-l] [-s] [-f] [-C DIR] [-p DIR] file"*) ;;
  *) fail "installed pageprobe printed [$err]" ;;
esac

# The man pages format cleanly (groff is part of every man-db installation).
if command -v groff > /dev/null; then
  for p in pagepack pageprobe; do
    m=$tmp/opt/opt/pqa/share/man/man1/$p.1
    warnings=$(groff -man -Tutf8 -ww -z "$m" 2>&1)
    [ -z "$warnings" ] || fail "$p.1: $warnings"
    # Whole output first: grep -q on a pipe would leave groff to SIGPIPE.
    text=$(groff -man -Tascii -P-cbou "$m" 2>/dev/null)
    grep -q '^EXIT STATUS' <<< "$text" || fail "$p.1 has no EXIT STATUS section when formatted"
  done
else
  echo "groff not installed: man page formatting not checked"
fi

# Uninstall removes what install put there.
run_make uninstall DESTDIR="$tmp/opt" PREFIX=/opt/pqa
left=$(cd "$tmp/opt" && find . -type f)
[ -z "$left" ] || fail "left after uninstall: $left"

checks_done
echo "install: all checks passed"
