#!/bin/sh
# The rooms of the two programs stay apart: every header a source file names
# is its own program's (named from the program's folder), the shared format's
# (common/), the support library's or the container's; neither program names
# the other's; and a room names only the rooms it is allowed to use.
# Usage: rooms_test.sh SOURCE_DIR
set -u
. "$(dirname "$0")/../support/checks.sh"
top=$1

# program room: the other rooms of the same program that the room may use
allowed() {
  case $1 in
    pagepack/web) echo "markup" ;;
    pageprobe/preview) echo "markup bitmap" ;;
    *) echo "" ;;
  esac
}

for program in pagepack pageprobe; do
  for file in $(cd "$top" && find "$program" -name '*.cc' -o -name '*.h'); do
    room=$(dirname "$file")
    sed -n 's/^#include "\([^"]*\)".*/\1/p' "$top/$file" | while read -r header; do
      if [ ! -e "$top/$program/$header" ] && [ ! -e "$top/$header" ] &&
         [ ! -e "$top/support/$header" ] && [ ! -e "$top/pdb/$header" ] &&
         [ "$header" != version.h ]; then
        echo "$file: includes $header, which is neither $program's nor shared" >&2
        echo bad
      fi
      case $header in */*) used=${header%%/*} ;; *) continue ;; esac
      [ "$used" = common ] && continue
      [ "$room" = "$program" ] && continue  # the driver knows every room
      [ "$program/$used" = "$room" ] && continue
      case " $(allowed "$room") " in *" $used "*) continue ;; esac
      echo "$file: the room $room includes $header of the room $program/$used" >&2
      echo bad
    done
  done
done > "${TMPDIR:-/tmp}/rooms_test.$$"
bad=$(grep -c bad "${TMPDIR:-/tmp}/rooms_test.$$")
rm -f "${TMPDIR:-/tmp}/rooms_test.$$"
expect "includes that cross a room's bounds" "$bad" 0
checks_done
