#!/usr/bin/env bash
# The README's run command: installs what is missing, builds the two programs (Release, without
# tests, benchmarks or fuzzers, in a build folder of their own), makes the working folder with a
# draw table for every game the first time (synthetic draws, as many as samples/ holds) and the
# user manual beside them, and starts the program from that folder, where it reads lotobase.dbf and
# kenobase.dbf. Without a display it says so and shows how to run the analyses with
# `sharometr-cli analyze` instead; without a built program it shows the two tables through the
# command-line companion.
# Usage: scripts/run.sh [extra cmake arguments...]
# SHAROMETR_RUN_BUILD_DIR chooses the build folder (default build-run/, apart from the test
# command's build/), SHAROMETR_WORK_DIR the working folder (default $XDG_DATA_HOME/sharometr, that
# is ~/.local/share/sharometr).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${SHAROMETR_RUN_BUILD_DIR:-"$root/build-run"}
work_dir=${SHAROMETR_WORK_DIR:-"${XDG_DATA_HOME:-${HOME:?}/.local/share}/sharometr"}

"$root/scripts/deps.sh"
# ccache, when the machine has it, keeps what an earlier build compiled: a second clone, or the
# build after a pull, compiles only what changed.
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
# Only what runs: with the tests and benchmarks off (fuzzers are off unless asked for), the build
# is the two programs, their libraries and the manual, and nothing else of the default build.
# Arguments given on the command line win.
SHAROMETR_BUILD_TARGETS="sharometr sharometr-cli manual" \
  "$root/scripts/build.sh" "$build_dir" -DCMAKE_BUILD_TYPE=Release -DSHAROMETR_TESTS=OFF \
  -DSHAROMETR_BENCH=OFF -DSHAROMETR_FUZZ=OFF "${launcher[@]}" "$@"

cli="$build_dir/cli/sharometr-cli"
program="$build_dir/app/sharometr"

# As many draws as the committed samples/ tables hold (tests/cli/sample_boards_test.cpp checks
# that every board of them is readable): enough for every analysis, few enough that the boards
# are not cut at the top.
declare -A sample_draws=([loto]=100 [keno]=50)

mkdir -p "$work_dir"
# Every game the companion lists (SuperLoto, Keno, the program's list and the folder's
# games.ini): its command-line name, N, m and its table.
mapfile -t games < <("$cli" games --dir "$work_dir" | cut -f1,3,4,5)
names=()
for entry in "${games[@]}"; do
  IFS=$'\t' read -r game numbers drawn table <<<"$entry"
  names+=("$game")
  # The other games as Keno when a draw takes a quarter of their numbers or more (their bars grow
  # as fast), else as SuperLoto: the rule of the package's start script, which gives the same two.
  if ((drawn * 4 >= numbers)); then
    draws=${sample_draws[$game]:-${sample_draws[keno]}}
  else
    draws=${sample_draws[$game]:-${sample_draws[loto]}}
  fi
  # The program finds its tables whatever their letter case; an existing one is the user's
  # history and is never replaced (create refuses it anyway).
  if [[ -z $(find "$work_dir" -maxdepth 1 -iname "$table" -print -quit) ]]; then
    "$cli" create --game "$game" --sample "$draws" "$work_dir"
  fi
done

# "Как пользоваться" opens manual.doc from the program's folder, or manual.html when the desktop
# has no application for the first; the user's own copies are kept.
for name in manual.doc manual.html; do
  manual="$build_dir/manual/$name"
  if [[ -f $manual && ! -e $work_dir/$name ]]; then
    cp "$manual" "$work_dir/$name"
  fi
done

if [[ -x "$program" ]]; then
  if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
    echo "run: no display (neither DISPLAY nor WAYLAND_DISPLAY is set), so sharometr is not started; the analyses run without one:"
    # The analyses as the program's help names them ("ANALYSIS is a, b or c; ...").
    analyses=$("$cli" analyze --help | tr '\n' ' ' | sed -e 's/.*ANALYSIS is //' -e 's/;.*//' -e 's/,\| or / /g' | xargs | tr ' ' '|')
    printf '  %q analyze %s %s|all --dir %q [--last N] [--png FILE]\n' \
      "$cli" "$(IFS='|'; echo "${names[*]}")" "$analyses" "$work_dir"
    printf '  for example: %q analyze keno histogram --dir %q --values --png %q\n' \
      "$cli" "$work_dir" "$work_dir/keno-histogram.png"
    exit 0
  fi
  cd "$work_dir"
  exec "$program"
fi

echo "run: $program is not built; the tables in $work_dir:"
for entry in "${games[@]}"; do
  table=${entry##*$'\t'}
  echo "== $table"
  "$cli" info "$work_dir/$table"
done
