# What the whole-process benchmarks of bench/ share, sourced by each: the median, the timed runs
# of a command, the ratio of two times, and the 100 Keno tickets the check of tickets is timed on.
# A script that sources it sets `runs` (how many timed runs) and gets `work`, a scratch folder
# removed when it ends.

work=$(mktemp -d /tmp/sharometr-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

# The median of the numbers on standard input.
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Runs "$@" `runs` times, each after PREPARE (a command, untimed: `true` for none), after one
# warm-up run unless `warmup` is 0; with `feed` set (a file), the file is piped to the command
# (through cat: a pipe, not a file it could read twice).
# Prints "wall-ms cpu-ms peak-KB": the medians of the wall and CPU times, and the largest peak
# resident set (wall time measured here, the rest by /usr/bin/time).
feed=
warmup=1
measure() {
  local prepare=$1 walls=() cpus=() peak=0 start end user sys kb i
  shift
  for ((i = 1 - warmup; i <= runs; i++)); do
    $prepare
    start=$EPOCHREALTIME
    if [[ -n $feed ]]; then
      cat "$feed" | /usr/bin/time -f '%U %S %M' -o "$work/time" "$@" >/dev/null 2>&1 || true
    else
      /usr/bin/time -f '%U %S %M' -o "$work/time" "$@" >/dev/null 2>&1 || true
    fi
    end=$EPOCHREALTIME
    ((i > 0)) || continue
    walls+=("$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.1f", (b - a) * 1000 }')")
    read -r user sys kb < <(tail -n 1 "$work/time")
    cpus+=("$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.0f", (u + s) * 1000 }')")
    ((kb > peak)) && peak=$kb
  done
  echo "$(printf '%s\n' "${walls[@]}" | median) $(printf '%s\n' "${cpus[@]}" | median) $peak"
}

# A over B to DIGITS decimals (2 unless given), or - when B is 0.
ratio() { awk -v a="$1" -v b="$2" -v d="${3:-2}" 'BEGIN { if (b > 0) printf "%." d "f", a / b; else printf "-" }'; }

# Keeps 100 distinct Keno tickets of 1..10 numbers, drawn from a fixed seed (the same every run),
# in the tickets table beside the Keno table of folder $2, with the companion $1.
keep_tickets() {
  local cli=$1 dir=$2 numbers
  awk 'BEGIN { srand(2024); t = 0
         while (t < 100) { size = t % 10 + 1; line = ""; key = ""; split("", used)
           while (size > 0) { n = int(rand() * 80) + 1; if (!(n in used)) { used[n] = 1; line = line " " n; size-- } }
           for (n = 1; n <= 80; n++) if (n in used) key = key n ","
           if (!(key in kept)) { kept[key] = 1; print line; t++ } } }' | while read -r numbers; do
    # shellcheck disable=SC2086
    "$cli" tickets keno add $numbers --dir "$dir" >/dev/null
  done
}

# The observed_h columns of `tickets keno check` (standard input), a line a ticket, as
# bench/plain_tickets prints them.
observed_columns() {
  awk -F'\t' 'NR == 1 { for (c = 1; c <= NF; c++) if ($c ~ /^observed_/) o[c] = 1; next }
              { line = $1; for (c = 1; c <= NF; c++) if ((c in o) && $c != "") line = line "\t" $c; print line }'
}
