#!/usr/bin/env bash
# The standing guard of the companion's speed, to run before a change to a hot path lands: the
# whole process of each command that matters against a plain program doing the same work, on
# tables it makes itself, each figure against its aim. It builds nothing; give it a build with the
# benchmarks on (Release or RelWithDebInfo). Takes under two minutes on two cores.
#   analyze keno histogram --values, 1,000,000 draws / bench/one_read_histogram   aim <= 1.5
#   import of 1,000,000 draws into an empty table / bench/plain_import           aim <= 3
#   tickets keno check, 100 tickets, 1,000,000 draws / bench/plain_tickets        aim <= 3
#   backtest keno hot, 100,000 draws / bench/plain_backtest                       aim <= 3
#   add of one draw to the 1,000,000-draw table                                   aim <= 100 ms
#   wheel, when the build has it: a 12-number "3 if 6" wheel, and the check of a
#   40-number one                                                                 aims <= 10 s, <= 1 s
# Each time is the median wall time of RUNS runs (5 by default) after a warm-up; the commands and
# their plain programs must agree on what they compute. Exit status 1 when a figure misses its aim.
# Usage: bench/guard.sh BUILD_DIR [RUNS]
set -euo pipefail

build=${1:?usage: bench/guard.sh BUILD_DIR [RUNS]}
runs=${2:-5}
cli="$build/cli/sharometr-cli"
plain="$build/bench"
draws=1000000
source "$(dirname "${BASH_SOURCE[0]}")/timing.sh"
for program in "$cli" "$plain/one_read_histogram" "$plain/plain_import" "$plain/plain_tickets" \
  "$plain/plain_backtest"; do
  [[ -x $program ]] || {
    echo "guard: $program is not built (build the benchmarks first)" >&2
    exit 2
  }
done

# Prints a line of the report: the wall times, the figure judged (the ratio of the wall times, or
# a time), the ratio of the CPU times beside it (steadier on a busy machine), and the aim; a
# figure over its aim makes the exit status 1.
missed=0
report() {
  local what=$1 ours=$2 theirs=$3 figure=$4 cpu=$5 aim=$6 verdict=ok
  awk -v f="$figure" -v a="$aim" 'BEGIN { exit !(f <= a) }' || {
    verdict=MISSED
    missed=1
  }
  printf '%-34s %9s %9s %7s %7s %7s  %s\n' "$what" "$ours" "$theirs" "$figure" "$cpu" "$aim" "$verdict"
}

# Stops the guard when a command and its plain program disagree: the timing would mean nothing.
same() {
  if ! cmp -s "$1" "$2"; then
    echo "guard: $3: the command and its plain program disagree" >&2
    diff "$1" "$2" | head -5 >&2
    exit 1
  fi
}

mkdir -p "$work/keno" "$work/empty" "$work/short"
"$cli" create --game keno --sample "$draws" "$work/keno" >/dev/null
"$cli" create --game keno --sample 100000 "$work/short" >/dev/null
"$cli" create --game keno --sample 0 "$work/empty" >/dev/null
table=$work/keno/kenobase.dbf
"$cli" dump --format csv "$table" >"$work/draws.csv"
keep_tickets "$cli" "$work/keno"

printf '%-34s %9s %9s %7s %7s %7s\n' "1,000,000 Keno draws" "ms" "plain ms" ratio "CPU" aim

# analyze: the values of the histogram, against one read and a count.
"$cli" analyze keno histogram --values --dir "$work/keno" >"$work/a.txt"
"$plain/one_read_histogram" "$table" >"$work/b.txt"
same "$work/a.txt" "$work/b.txt" analyze
read -r ours ourCpu _ < <(measure true "$cli" analyze keno histogram --values --dir "$work/keno")
read -r theirs theirCpu _ < <(measure true "$plain/one_read_histogram" "$table")
report "analyze histogram --values" "$ours" "$theirs" "$(ratio "$ours" "$theirs")" "$(ratio "$ourCpu" "$theirCpu")" 1.5

# import: the companion's csv into an empty table (the duplicate check on), against plain writes;
# both make the same records.
fresh() { cp "$work/empty/kenobase.dbf" "$work/t.dbf"; }
fresh && "$cli" import "$work/t.dbf" "$work/draws.csv" >/dev/null 2>&1
header=$(($(od -An -tu2 -j8 -N2 "$work/t.dbf")))
tail -c +$((header + 1)) "$work/t.dbf" >"$work/a.txt"
fresh && "$plain/plain_import" "$work/t.dbf" "$work/draws.csv" >/dev/null
tail -c +$((header + 1)) "$work/t.dbf" >"$work/b.txt"
same "$work/a.txt" "$work/b.txt" import
read -r ours ourCpu _ < <(measure fresh "$cli" import "$work/t.dbf" "$work/draws.csv")
read -r theirs theirCpu _ < <(measure fresh "$plain/plain_import" "$work/t.dbf" "$work/draws.csv")
report "import (duplicates checked)" "$ours" "$theirs" "$(ratio "$ours" "$theirs")" "$(ratio "$ourCpu" "$theirCpu")" 3

# tickets check: each ticket's draws by hits, against both tables read once.
"$cli" tickets keno check --dir "$work/keno" | observed_columns >"$work/a.txt"
"$plain/plain_tickets" "$table" "$work/keno/kenotick.dbf" >"$work/b.txt"
same "$work/a.txt" "$work/b.txt" "tickets check"
read -r ours ourCpu _ < <(measure true "$cli" tickets keno check --dir "$work/keno")
read -r theirs theirCpu _ < <(measure true "$plain/plain_tickets" "$table" "$work/keno/kenotick.dbf")
report "tickets check (100 tickets)" "$ours" "$theirs" "$(ratio "$ours" "$theirs")" "$(ratio "$ourCpu" "$theirCpu")" 3

# backtest: the "hot" walk and its figures, against the walk alone, on 100,000 draws (the exact
# distribution of a million tested draws alone would take the guard's time).
"$cli" backtest keno hot --dir "$work/short" --format csv |
  awk -F, 'NR == 1 { for (c = 1; c <= NF; c++) if ($c == "hits") h = c; next } { print $h }' >"$work/a.txt"
"$plain/plain_backtest" "$work/short/kenobase.dbf" 10 50 >"$work/b.txt"
same "$work/a.txt" "$work/b.txt" backtest
read -r ours ourCpu _ < <(measure true "$cli" backtest keno hot --dir "$work/short")
read -r theirs theirCpu _ < <(measure true "$plain/plain_backtest" "$work/short/kenobase.dbf" 10 50)
report "backtest hot (100,000 draws)" "$ours" "$theirs" "$(ratio "$ours" "$theirs")" "$(ratio "$ourCpu" "$theirCpu")" 3

# add: a draw the table does not hold, refused after the first run (the same work: every record
# read before the refusal).
read -r ours ourCpu _ < <(measure true "$cli" add "$table" 3 7 11 15 19 23 27 31 35 39 43 47 51 55 59 63 67 71 75 79)
report "add one draw" "$ours" - "$ours" - 100

# wheel, when this build has it.
if "$cli" wheel --help >/dev/null 2>&1; then
  numbers=$(seq -s, 1 12)
  if "$cli" wheel loto --numbers "$numbers" --guarantee 3if6 --format csv >"$work/w12.csv" 2>"$work/w.err"; then
    read -r ours ourCpu _ < <(measure true "$cli" wheel loto --numbers "$numbers" --guarantee 3if6 --format csv)
    report "wheel 12 numbers, 3 if 6" "$ours" - "$ours" - 10000
  else
    echo "wheel 12 numbers, 3 if 6: refused: $(head -1 "$work/w.err")"
  fi
  numbers=$(seq -s, 1 40)
  if "$cli" wheel loto --numbers "$numbers" --guarantee 3if6 --format csv >"$work/w40.csv" 2>"$work/w.err"; then
    read -r ours ourCpu _ < <(measure true "$cli" wheel --verify "$work/w40.csv")
    report "wheel --verify 40 numbers, 3 if 6" "$ours" - "$ours" - 1000
  else
    echo "wheel 40 numbers, 3 if 6: refused: $(head -1 "$work/w.err")"
  fi
else
  echo "wheel: not in this build"
fi
exit $missed
