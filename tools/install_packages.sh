#!/bin/sh
# Installs those of the Debian packages named as arguments that are not
# installed yet, through apt-get (with sudo when not run as root). With
# --check-only (make INSTALL_PACKAGES=no) it never runs apt-get or sudo: one
# line names the missing packages and the status is 1. Where there is no
# apt-get, the same. Where there is not even dpkg-query (not a Debian system),
# one line names them all, for the reader to match with the system's own
# packages, and the build goes on.
# Usage: install_packages.sh [--check-only] PACKAGE...
set -eu
check_only=no
if [ "${1:-}" = --check-only ]; then check_only=yes; shift; fi
[ $# -gt 0 ] || exit 0
if ! command -v dpkg-query > /dev/null 2>&1; then
  echo "not a Debian system: make sure the equivalents of these Debian packages are installed: $*" >&2
  exit 0
fi
# A package counts as installed when one of its instances is: one installed
# for two architectures prints a line each, and a held one is installed too
# (its selection is "hold", its status "installed").
is_installed() {
  statuses=$(dpkg-query -W -f='${db:Status-Status}\n' "$1" 2> /dev/null) || return 1
  case " $(echo $statuses) " in *" installed "*) return 0 ;; esac
  return 1
}
missing=""
for p in "$@"; do
  case " $missing " in *" $p "*) continue ;; esac
  is_installed "$p" || missing="${missing:+$missing }$p"
done
[ -n "$missing" ] || exit 0
sudo=""
if [ "$(id -u)" != 0 ]; then sudo=sudo; fi
reason=""
if [ $check_only = yes ]; then
  reason="INSTALL_PACKAGES=no: nothing is installed"
elif ! command -v apt-get > /dev/null 2>&1; then
  reason="there is no apt-get here"
elif [ -n "$sudo" ] && ! command -v sudo > /dev/null 2>&1; then
  reason="not root, and there is no sudo"
fi
if [ -n "$reason" ]; then
  echo "missing Debian packages: $missing; install them ($reason)" >&2
  exit 1
fi
echo "installing: $missing"
$sudo apt-get -o DPkg::Lock::Timeout=600 update -qq
$sudo env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -qq $missing
