#!/usr/bin/env bash
# Whole-process benchmark of the tickets' check: `sharometr-cli tickets keno check` of 100 tickets
# (1 to 10 numbers, drawn from a fixed seed) on a Keno table of 1,000,000 draws, against a program
# that reads both tables once and counts (bench/plain_tickets.cpp). The median wall time of RUNS
# runs of each (after one warm-up) and their ratio; both must count the same draws by hits.
# Usage: bench/tickets.sh BUILD_DIR [RUNS] [DRAWS]   (a Release build with the benchmarks on)
set -euo pipefail

build=${1:?usage: bench/tickets.sh BUILD_DIR [RUNS] [DRAWS]}
runs=${2:-7}
draws=${3:-1000000}
cli="$build/cli/sharometr-cli"
yardstick="$build/bench/plain_tickets"
work=$(mktemp -d /tmp/sharometr-tickets.XXXXXX)
trap 'rm -rf "$work"' EXIT

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# The median wall time of the runs in milliseconds.
measure() {
  local times=() start end
  "$@" >/dev/null 2>&1
  for ((i = 0; i < runs; i++)); do
    start=$EPOCHREALTIME
    "$@" >/dev/null 2>&1
    end=$EPOCHREALTIME
    times+=("$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.1f", (b - a) * 1000 }')")
  done
  printf '%s\n' "${times[@]}" | median
}

"$cli" create --game keno --sample "$draws" "$work" >/dev/null
# 100 distinct tickets of 1..10 numbers, the same every run (a set met before is drawn again).
awk 'BEGIN { srand(2024); t = 0
       while (t < 100) { size = t % 10 + 1; line = ""; key = ""; split("", used)
         while (size > 0) { n = int(rand() * 80) + 1; if (!(n in used)) { used[n] = 1; line = line " " n; size-- } }
         for (n = 1; n <= 80; n++) if (n in used) key = key n ","
         if (!(key in kept)) { kept[key] = 1; print line; t++ } } }' | while read -r numbers; do
  # shellcheck disable=SC2086
  "$cli" tickets keno add $numbers --dir "$work" >/dev/null
done

# The command's observed_h columns against the yardstick's counts.
"$cli" tickets keno check --dir "$work" |
  awk -F'\t' 'NR == 1 { for (c = 1; c <= NF; c++) if ($c ~ /^observed_/) o[c] = 1; next }
              { line = $1; for (c = 1; c <= NF; c++) if ((c in o) && $c != "") line = line "\t" $c; print line }' \
  >"$work/command.txt"
"$yardstick" "$work/kenobase.dbf" "$work/kenotick.dbf" >"$work/yardstick.txt"
if ! cmp -s "$work/command.txt" "$work/yardstick.txt"; then
  echo "the command and the yardstick count differently" >&2
  diff "$work/command.txt" "$work/yardstick.txt" | head >&2
  exit 1
fi

command_ms=$(measure "$cli" tickets keno check --dir "$work")
plain_ms=$(measure "$yardstick" "$work/kenobase.dbf" "$work/kenotick.dbf")
printf '%-9s  %10s  %11s  %6s\n' draws "command ms" "plain ms" ratio
printf '%-9s  %10s  %11s  %6s\n' "$draws" "$command_ms" "$plain_ms" \
  "$(awk -v a="$command_ms" -v b="$plain_ms" 'BEGIN { printf "%.2f", a / b }')"
