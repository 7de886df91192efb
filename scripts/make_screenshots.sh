#!/usr/bin/env bash
# Makes the README's screenshots again, from the program itself: builds the screenshot taker
# (scripts/screenshots.cpp, the program's own windows) in BUILD_DIR, runs it under a virtual X
# display (Xvfb) in a scratch folder holding a table of every game, and writes the PNGs to
# docs/screenshots/.
# Usage: scripts/make_screenshots.sh [BUILD_DIR]   (default build/, configured as scripts/build.sh does)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${1:-"$root/build"}
out="$root/docs/screenshots"

if [[ ! -f "$build_dir/CMakeCache.txt" ]]; then
  cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSHAROMETR_TESTS=OFF \
    -DSHAROMETR_BENCH=OFF
fi
cmake --build "$build_dir" --target sharometr-screenshots sharometr-cli

work=$(mktemp -d /tmp/sharometr-screenshots.XXXXXX)
trap 'rm -rf "$work"' EXIT
# Every game the companion lists: the committed sample table where there is one, else 100
# synthetic draws.
while IFS=$'\t' read -r game _ _ _ table _; do
  if [[ -f "$root/samples/$table" ]]; then
    cp "$root/samples/$table" "$work/"
  else
    "$build_dir/cli/sharometr-cli" create --game "$game" --sample 100 "$work" >/dev/null
  fi
done < <("$build_dir/cli/sharometr-cli" games --dir "$work")
mkdir -p "$out"
# A display of its own, of a fixed size and depth, so that the pictures do not depend on the
# desktop they are made on; no window manager, hence no window frames.
(cd "$work" && QT_QPA_PLATFORM=xcb xvfb-run --auto-servernum --server-args="-screen 0 1280x800x24" \
  "$build_dir/scripts/sharometr-screenshots" "$out")
