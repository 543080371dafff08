# The checks of the shell tests, sourced by each: fail counts a failure and
# goes on, expect compares what a step gave with what it should, and
# checks_done ends the test with the status they add up to.
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
expect() { # what got want
  [ "$2" = "$3" ] || fail "$1: got [$2], want [$3]"
}
checks_done() { [ $failures = 0 ] || exit 1; }
