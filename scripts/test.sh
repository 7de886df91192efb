#!/usr/bin/env bash
# The README's test command: installs what is missing, builds, and runs every test.
# Usage: scripts/test.sh [BUILD_DIR] [extra cmake arguments...]
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${1:-${SHAROMETR_BUILD_DIR:-"$root/build"}}
if (($# > 0)); then
  shift
fi

"$root/scripts/deps.sh"
"$root/scripts/build.sh" "$build_dir" "$@"
# --no-tests=error: a run that finds no test at all is a failure, not a pass.
ctest --test-dir "$build_dir" --output-on-failure --no-tests=error -j "$(nproc)"
