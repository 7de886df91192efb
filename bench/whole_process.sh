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
work=$(mktemp -d /tmp/sharometr-whole.XXXXXX)
trap 'rm -rf "$work"' EXIT

# The median of the numbers on standard input.
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Prints "milliseconds kilobytes": the median wall time and the largest peak resident set of the
# runs (the wall time measured here, the peak by /usr/bin/time).
measure() {
  local times=() peak=0 start end kb
  "$@" >/dev/null 2>&1 || true
  for ((i = 0; i < runs; i++)); do
    start=$EPOCHREALTIME
    /usr/bin/time -f '%M' -o "$work/peak" "$@" >/dev/null 2>&1 || true
    end=$EPOCHREALTIME
    times+=("$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.1f", (b - a) * 1000 }')")
    kb=$(tail -n 1 "$work/peak")
    ((kb > peak)) && peak=$kb
  done
  echo "$(printf '%s\n' "${times[@]}" | median) $peak"
}

printf '%-9s  %10s  %11s  %6s  %10s  %11s\n' draws "command ms" "one-read ms" ratio "peak KB" "start-up ms"
for draws in 5 1000 100000 1000000; do
  mkdir -p "$work/$draws"
  "$cli" create --game keno --sample "$draws" "$work/$draws" >/dev/null
done
cmp <("$cli" analyze keno histogram --values --dir "$work/100000") <("$yardstick" "$work/100000/kenobase.dbf")
read -r startup _ < <(measure "$cli" analyze keno histogram --values --dir "$work/5")
for draws in 1000 100000 1000000; do
  read -r ours peak < <(measure "$cli" analyze keno histogram --values --dir "$work/$draws")
  read -r theirs _ < <(measure "$yardstick" "$work/$draws/kenobase.dbf")
  ratio=$(awk -v a="$ours" -v b="$theirs" 'BEGIN { printf (b > 0) ? "%.1f" : "-", (b > 0) ? a / b : 0 }')
  printf '%-9s  %10s  %11s  %6s  %10s  %11s\n' "$draws" "$ours" "$theirs" "$ratio" "$peak" "$startup"
done
