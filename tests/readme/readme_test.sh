#!/usr/bin/env bash
# The README's examples as a newcomer types them: every code block after a
# line <!-- checked: NAME --> is a session, "$ COMMAND" lines and the output
# they give, run in a new folder with PAGEPACK and PAGEPROBE first on the
# PATH and the example site at EXAMPLES (where the package puts it unless
# given), and must give that output exactly.
# Usage: readme_test.sh README PAGEPACK PAGEPROBE [EXAMPLES]
set -euo pipefail
readme=$1 pagepack=$2 pageprobe=$3
installed=/usr/share/doc/pagepack/examples
examples=$(cd "${4:-$installed}" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
. "$(dirname "$0")/../support/checks.sh"
mkdir "$tmp/bin"
ln -s "$pagepack" "$tmp/bin/pagepack"
ln -s "$pageprobe" "$tmp/bin/pageprobe"

sessions=$(sed -n 's/^<!-- checked: \([a-z-]*\) -->$/\1/p' "$readme")
expect "sessions in the README" "$sessions" "quick-start
icons"
for name in $sessions; do
  awk -v mark="<!-- checked: $name -->" '
    $0 == mark { found = 1; next }
    found && /^```/ { if (inside) exit; inside = 1; next }
    inside' "$readme" > "$tmp/$name.want"
  mkdir "$tmp/$name"
  # The icons are made for a site of one's own: a folder with a logo in it.
  [ $name != icons ] || { mkdir "$tmp/$name/mysite"; cp "$examples/badge.png" "$tmp/$name/mysite/logo.png"; }
  sed -n 's/^\$ //p' "$tmp/$name.want" | (
    cd "$tmp/$name" && export PATH="$tmp/bin:$PATH"
    while IFS= read -r command; do
      printf '$ %s\n' "$command"
      eval "${command//$installed/$examples}" < /dev/null 2>&1 || echo "(status $?)"
    done) > "$tmp/$name.got"
  diff -u "$tmp/$name.want" "$tmp/$name.got" || fail "README session $name gives other output"
done
# The icons are black and white bitmaps of the launcher's sizes.
expect "icons made" "$(cd "$tmp/icons/mysite" && head -qn 2 LgIcon.pnm SmIcon.pnm | tr '\n' ' ')" \
  "P4 32 32 P4 15 9 "

checks_done
echo "readme: all checks passed"
