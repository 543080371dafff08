#!/bin/sh
# Installs those of the Debian packages named as arguments that are not
# installed yet, through apt-get (with sudo when not run as root). Where there
# is no apt-get, one line names the missing packages and the status is 1;
# where there is not even dpkg-query (not a Debian system), one line names
# them all, for the reader to match with the system's own packages, and the
# build goes on.
# Usage: install_packages.sh PACKAGE...
set -eu
[ $# -gt 0 ] || exit 0
if ! command -v dpkg-query > /dev/null 2>&1; then
  echo "not a Debian system: make sure the equivalents of these Debian packages are installed: $*" >&2
  exit 0
fi
missing=""
for p in "$@"; do
  case " $missing " in *" $p "*) continue ;; esac
  status=$(dpkg-query -W -f='${Status}' "$p" 2> /dev/null) || status=""
  [ "$status" = "install ok installed" ] || missing="${missing:+$missing }$p"
done
[ -n "$missing" ] || exit 0
sudo=""
if [ "$(id -u)" != 0 ]; then sudo=sudo; fi
reason=""
if ! command -v apt-get > /dev/null 2>&1; then
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
