#!/usr/bin/env bash
# Whole-process benchmark of `sharometr-cli import` and `add`: 1,000,000 draws of Keno and of
# SuperLoto (the companion's own csv dump of a sample table: a header and a record number beside
# the numbers) imported into an empty table with the duplicate check, with --replace, and from a
# pipe; then one draw added to the 1,000,000-draw table. For each: the median wall time and CPU
# time of RUNS runs, the peak resident memory, and the memory per draw: the peak over that of the
# same import of five draws, divided by the draws.
# Usage: bench/import_process.sh BUILD_DIR [RUNS]   (a Release or RelWithDebInfo build)
set -euo pipefail

build=${1:?usage: bench/import_process.sh BUILD_DIR [RUNS]}
runs=${2:-5}
cli="$build/cli/sharometr-cli"
draws=1000000

source "$(dirname "${BASH_SOURCE[0]}")/timing.sh"
warmup=0

fresh() { cp "$work/empty.dbf" "$work/t.dbf"; }

printf '%-9s  %-22s  %8s  %7s  %9s  %11s\n' game case "wall ms" "CPU ms" "peak KB" "bytes/draw"
for game in keno loto; do
  rm -rf "$work/g" && mkdir -p "$work/g/empty" "$work/g/full" "$work/g/five"
  "$cli" create --game "$game" --sample 0 "$work/g/empty" >/dev/null
  "$cli" create --game "$game" --sample "$draws" "$work/g/full" >/dev/null
  "$cli" create --game "$game" --sample 5 "$work/g/five" >/dev/null
  table=$(ls "$work/g/empty")
  cp "$work/g/empty/$table" "$work/empty.dbf"
  "$cli" dump --format csv "$work/g/full/$table" >"$work/draws.csv"
  "$cli" dump --format csv "$work/g/five/$table" >"$work/five.csv"
  for case in check replace pipe; do
    options=(--skip-duplicates)
    [[ $case == replace ]] && options+=(--replace)
    source=$work/draws.csv
    [[ $case == pipe ]] && source=-
    feed=
    [[ $case == pipe ]] && feed=$work/draws.csv
    read -r wall cpu peak < <(measure fresh "$cli" import "$work/t.dbf" "$source" "${options[@]}")
    [[ $case == pipe ]] && feed=$work/five.csv
    [[ $case != pipe ]] && source=$work/five.csv
    read -r _ _ base < <(measure fresh "$cli" import "$work/t.dbf" "$source" "${options[@]}")
    feed=
    perDraw=$(awk -v p="$peak" -v b="$base" -v n="$draws" 'BEGIN { printf "%.1f", (p - b) * 1024 / n }')
    printf '%-9s  %-22s  %8s  %7s  %9s  %11s\n' "$game" "import ($case)" "$wall" "$cpu" "$peak" "$perDraw"
  done
  # add: a draw seldom in the table, refused after the first run (the same work: every record read).
  numbers=$(awk -v g="$game" 'BEGIN { n = (g == "keno") ? 20 : 6; s = (g == "keno") ? 4 : 8; for (i = 1; i <= n; i++) printf "%d ", i * s - 1 }')
  # shellcheck disable=SC2086
  read -r wall cpu peak < <(measure true "$cli" add "$work/g/full/$table" $numbers)
  printf '%-9s  %-22s  %8s  %7s  %9s  %11s\n' "$game" "add to $draws" "$wall" "$cpu" "$peak" -
done
