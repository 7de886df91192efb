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
source "$(dirname "${BASH_SOURCE[0]}")/timing.sh"

"$cli" create --game keno --sample "$draws" "$work" >/dev/null
keep_tickets "$cli" "$work"

# The command's observed_h columns against the yardstick's counts.
"$cli" tickets keno check --dir "$work" | observed_columns >"$work/command.txt"
"$yardstick" "$work/kenobase.dbf" "$work/kenotick.dbf" >"$work/yardstick.txt"
if ! cmp -s "$work/command.txt" "$work/yardstick.txt"; then
  echo "the command and the yardstick count differently" >&2
  diff "$work/command.txt" "$work/yardstick.txt" | head >&2
  exit 1
fi

read -r command_ms _ _ < <(measure true "$cli" tickets keno check --dir "$work")
read -r plain_ms _ _ < <(measure true "$yardstick" "$work/kenobase.dbf" "$work/kenotick.dbf")
printf '%-9s  %10s  %11s  %6s\n' draws "command ms" "plain ms" ratio
printf '%-9s  %10s  %11s  %6s\n' "$draws" "$command_ms" "$plain_ms" "$(ratio "$command_ms" "$plain_ms")"
