#!/usr/bin/env bash
# Runs every fuzz target for the given number of seconds on its corpus and
# seeds; fails when any target finds a crash, a leak or undefined behaviour.
# usage: run_all.sh FUZZ_BUILD_DIR SEED_DIR SECONDS
set -uo pipefail
# The targets work in a scratch directory of their own, so every path is absolute.
build=$(cd "$1" && pwd) seeds=$(cd "$2" && pwd) seconds=$3
status=0 passed=0 failed=0
for target in pdb_reader_fuzz probe_record_fuzz pack_page_fuzz pack_tag_fuzz netpbm_fuzz \
    image_input_fuzz byte_markup_fuzz web_page_fuzz \
    preview_filter_fuzz bitmap_reader_fuzz palm_bitmap_input_fuzz; do
  corpus="$build/corpus/$target" artifacts="$build/artifacts/$target"
  log="$build/logs/$target.log"
  mkdir -p "$corpus" "$artifacts" "$(dirname "$log")" "$seeds/$target"
  # The programs' own messages are not wanted here (-close_fd_mask);
  # libFuzzer and the sanitizers still report.
  if "$build/fuzz/$target" -max_total_time="$seconds" -close_fd_mask=3 -print_final_stats=1 \
      -artifact_prefix="$artifacts/" "$corpus" "$seeds/$target" >"$log" 2>&1; then
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$')
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1)
    echo "$target: ${runs:-?} runs, ${cov:-cov: ?}"
    passed=$((passed + 1))
  else
    echo "$target: FAILED (see $log and $artifacts)"
    tail -n 40 "$log"
    status=1
    failed=$((failed + 1))
  fi
done
echo "fuzz: $passed passed, $failed failed"
exit $status
