#!/usr/bin/env bash
# Makes the README's screenshots again, from the program itself: builds the screenshot taker
# (scripts/screenshots.cpp, the program's own windows) in BUILD_DIR, runs it under a virtual X
# display (Xvfb) in a scratch folder holding the committed sample tables, and writes the PNGs to
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
cmake --build "$build_dir" --target sharometr-screenshots

work=$(mktemp -d /tmp/sharometr-screenshots.XXXXXX)
trap 'rm -rf "$work"' EXIT
cp "$root/samples/lotobase.dbf" "$root/samples/kenobase.dbf" "$work/"
mkdir -p "$out"
# A display of its own, of a fixed size and depth, so that the pictures do not depend on the
# desktop they are made on; no window manager, hence no window frames.
(cd "$work" && QT_QPA_PLATFORM=xcb xvfb-run --auto-servernum --server-args="-screen 0 1280x800x24" \
  "$build_dir/scripts/sharometr-screenshots" "$out")
