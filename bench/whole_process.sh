#!/usr/bin/env bash
# Whole-process benchmark: `sharometr-cli analyze keno histogram --values` against a program that
# reads the table once and counts (bench/one_read_histogram.cpp), on Keno tables of 1,000,
# 100,000 and 1,000,000 draws; the median wall time of RUNS runs of each (after one warm-up), the
# ratio, the start-up share (the same command on a table of five draws), and the peak resident
# memory. Both must print the same values.
# Usage: bench/whole_process.sh BUILD_DIR [RUNS]   (a Release build with the benchmarks on)
set -euo pipefail

build=${1:?usage: bench/whole_process.sh BUILD_DIR [RUNS]}
runs=${2:-7}
cli="$build/cli/sharometr-cli"
yardstick="$build/bench/one_read_histogram"
source "$(dirname "${BASH_SOURCE[0]}")/timing.sh"

printf '%-9s  %10s  %11s  %6s  %10s  %11s\n' draws "command ms" "one-read ms" ratio "peak KB" "start-up ms"
for draws in 5 1000 100000 1000000; do
  mkdir -p "$work/$draws"
  "$cli" create --game keno --sample "$draws" "$work/$draws" >/dev/null
done
cmp <("$cli" analyze keno histogram --values --dir "$work/100000") <("$yardstick" "$work/100000/kenobase.dbf")
read -r startup _ _ < <(measure true "$cli" analyze keno histogram --values --dir "$work/5")
for draws in 1000 100000 1000000; do
  read -r ours _ peak < <(measure true "$cli" analyze keno histogram --values --dir "$work/$draws")
  read -r theirs _ _ < <(measure true "$yardstick" "$work/$draws/kenobase.dbf")
  printf '%-9s  %10s  %11s  %6s  %10s  %11s\n' "$draws" "$ours" "$theirs" "$(ratio "$ours" "$theirs" 1)" "$peak" \
    "$startup"
done
